#pragma once

#include <QByteArray>

class QTextDocument;

// The note content format. Reading never crashes, hangs or exhausts memory on broken input; it
// recovers what text it can.
namespace Rtf {

// True when data starts like an RTF document ("{\rtf", after optional white space).
bool looksLikeRtf(const QByteArray &data);

// Replaces doc's content with the document in data.
void read(const QByteArray &data, QTextDocument *doc);

// One whole RTF document, in the style of a rich-edit control, lines ending CR LF.
QByteArray write(const QTextDocument &doc);

} // namespace Rtf
