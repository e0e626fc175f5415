#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QTextDocument;

// Fields and embedded objects whose result a note shows as its own text. The bytes around the
// result are kept in a resource of the document, named by the text's Rtf::ResultOfProperty, and
// the writer writes the result back inside them.
namespace RtfFields {

struct Wrap
{
    QByteArray head;   // from the group's opening brace to its result's
    QByteArray opener; // the result's brace and destination word: "{\\fldrslt" or "{\\result"
    QByteArray tail;   // from after the result to the group's closing brace
    QString parent;    // the result this one lies in; empty: none
};

QString newName();
void setWrap(QTextDocument *doc, const QString &name, const Wrap &wrap);
std::optional<Wrap> wrap(const QTextDocument &doc, const QString &name);

// The address a HYPERLINK instruction points to, its location (\l) as the fragment; empty for
// other instructions.
QString hyperlinkTarget(QStringView instruction);

} // namespace RtfFields
