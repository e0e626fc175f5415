#pragma once

#include <QByteArray>

class QTextDocument;

// The note content format. Reading never crashes, hangs or exhausts memory on broken input; it
// recovers what text it can.
namespace Rtf {

// True when data starts like an RTF document ("{\rtf", after optional white space).
bool looksLikeRtf(const QByteArray &data);

// Replaces doc's content with the document in data, or with its first maxCharacters characters
// when it has more (-1: all of it). Returns how many characters the whole document has, counted
// as QTextDocument::characterCount() counts them.
qint64 read(const QByteArray &data, QTextDocument *doc, qint64 maxCharacters = -1);

// Gives to the pictures from's text shows the same pictures in to, so that from's content can be
// put into to as a fragment.
void copyPictures(const QTextDocument &from, QTextDocument *to);

// One whole RTF document, in the style of a rich-edit control, lines ending CR LF.
QByteArray write(const QTextDocument &doc);

} // namespace Rtf
