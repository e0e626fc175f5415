#pragma once

#include <QByteArray>
#include <QString>
#include <QTextFormat>

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

// Text that shows the result of a field (a link's text, a date) or of an embedded object names
// what it came from in this property of its format; the writer writes it back inside that.
inline constexpr int ResultOfProperty = QTextFormat::UserProperty + 1;

// What a format's text is the result of, a link's address for a link without a field of its own;
// empty when it is plain text.
QString resultOf(const QTextCharFormat &format);
// The format without what makes its text part of a result, and without a link's look.
QTextCharFormat outsideResult(QTextCharFormat format);

} // namespace Rtf
