#include "rtf/RtfFields.h"
#include "rtf/Rtf.h"

#include <QTextCharFormat>
#include <QTextDocument>
#include <QUrl>

#include <atomic>

namespace RtfFields {

QString newName()
{
    static std::atomic<int> serial{0};
    return QStringLiteral("rtfresult:%1").arg(++serial);
}

void setWrap(QTextDocument *doc, const QString &name, const Wrap &wrap)
{
    doc->addResource(QTextDocument::UserResource, QUrl(name),
                     QVariant::fromValue(
                         QByteArrayList{wrap.head, wrap.opener, wrap.tail, wrap.parent.toUtf8()}));
}

std::optional<Wrap> wrap(const QTextDocument &doc, const QString &name)
{
    const QVariant value = doc.resource(QTextDocument::UserResource, QUrl(name));
    if (value.userType() != QMetaType::QByteArrayList)
        return std::nullopt;
    const QByteArrayList parts = value.value<QByteArrayList>();
    if (parts.size() != 4)
        return std::nullopt;
    return Wrap{parts[0], parts[1], parts[2], QString::fromUtf8(parts[3])};
}

QString hyperlinkTarget(QStringView instruction)
{
    // Arguments are words or quoted texts, in which a backslash takes the next character as it
    // is; unquoted words starting with a backslash are switches.
    struct Token
    {
        QString text;
        bool quoted = false;
    };
    QList<Token> tokens;
    for (qsizetype i = 0; i < instruction.size();) {
        if (instruction[i].isSpace()) {
            ++i;
            continue;
        }
        Token token;
        if (instruction[i] == u'"') {
            token.quoted = true;
            for (++i; i < instruction.size() && instruction[i] != u'"'; ++i) {
                if (instruction[i] == u'\\' && i + 1 < instruction.size())
                    ++i;
                token.text += instruction[i];
            }
            ++i;
        } else {
            while (i < instruction.size() && !instruction[i].isSpace())
                token.text += instruction[i++];
        }
        tokens.append(token);
    }
    if (tokens.isEmpty() || tokens[0].quoted ||
        tokens[0].text.compare(u"HYPERLINK", Qt::CaseInsensitive) != 0)
        return {};
    QString address, location;
    for (qsizetype i = 1; i < tokens.size(); ++i) {
        const Token &t = tokens[i];
        if (!t.quoted && t.text.startsWith(u'\\')) {
            const QString name = t.text.mid(1).toLower();
            if ((name == u"l" || name == u"o" || name == u"t") && i + 1 < tokens.size()) {
                if (name == u"l")
                    location = tokens[i + 1].text;
                ++i;
            }
        } else if (address.isEmpty()) {
            address = t.text;
        }
    }
    return location.isEmpty() ? address : address + u'#' + location;
}

} // namespace RtfFields

namespace Rtf {

QString resultOf(const QTextCharFormat &format)
{
    const QString name = format.stringProperty(ResultOfProperty);
    if (!name.isEmpty())
        return name;
    return format.isAnchor() ? format.anchorHref() : QString();
}

QTextCharFormat outsideResult(QTextCharFormat format)
{
    if (format.isAnchor() && !format.anchorHref().isEmpty()) {
        format.clearProperty(QTextFormat::TextUnderlineStyle);
        format.clearProperty(QTextFormat::FontUnderline);
        format.clearForeground();
    }
    format.clearProperty(ResultOfProperty);
    format.clearProperty(QTextFormat::IsAnchor);
    format.clearProperty(QTextFormat::AnchorHref);
    format.clearProperty(QTextFormat::AnchorName);
    return format;
}

} // namespace Rtf
