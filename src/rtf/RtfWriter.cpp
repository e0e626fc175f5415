#include "base/Cp1252.h"
#include "rtf/Rtf.h"
#include "rtf/RtfFields.h"
#include "rtf/RtfImages.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <utility>
#include <vector>

// Sizes are stored in half points: a fractional size is rounded to the nearest half point (9.75
// becomes \fs20), so a size that is not a multiple of 0.5 comes back slightly changed.

namespace {

constexpr double kTwipsPerPixel = 15.0;

struct CharFormat
{
    int font = 0;
    int halfPoints = 24;
    int colour = 0; // index in the colour table, 0: automatic
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

// The fields and objects a fragment is the result of, outermost first, by name.
using Chain = std::vector<std::pair<QString, RtfFields::Wrap>>;

class Writer
{
public:
    explicit Writer(const QTextDocument &doc) : m_doc(doc), m_defaultFont(doc.defaultFont()) {}

    QByteArray run();

private:
    CharFormat resolve(const QTextCharFormat &fmt);
    int fontIndex(const QString &family);
    int colourIndex(QRgb rgb);
    void word(const char *name);
    void word(const char *name, int param);
    void applyFormat(const CharFormat &fmt);
    void text(QStringView text);
    void picture(const QTextImageFormat &fmt);
    void escapedName(QByteArray &out, QStringView name);
    const Chain &chainOf(const QTextCharFormat &fmt);
    void enterChain(const Chain &chain);

    const QTextDocument &m_doc;
    const QFont m_defaultFont;
    QByteArray m_body;
    bool m_needSpace = false; // a control word was written and text follows

    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QRgb> m_colours;
    QHash<QRgb, int> m_colourIndex;

    CharFormat m_current;
    bool m_started = false;

    struct Open
    {
        QString name;
        QByteArray tail;
        CharFormat outside; // the format around the field or object
        bool started;
    };
    std::vector<Open> m_open; // results being written, innermost last
    QString m_lastName; // the last chain looked up, for the fragments after it
    Chain m_lastChain;
    const Chain m_none;
};

int Writer::fontIndex(const QString &family)
{
    const auto it = m_fontIndex.constFind(family);
    if (it != m_fontIndex.constEnd())
        return *it;
    const int index = int(m_fonts.size());
    m_fonts.append(family);
    m_fontIndex.insert(family, index);
    return index;
}

int Writer::colourIndex(QRgb rgb)
{
    rgb |= 0xFF000000u;
    const auto it = m_colourIndex.constFind(rgb);
    if (it != m_colourIndex.constEnd())
        return *it;
    m_colours.append(rgb);
    const int index = int(m_colours.size());
    m_colourIndex.insert(rgb, index);
    return index;
}

// The format as shown: properties the fragment does not set come from the document's font.
CharFormat Writer::resolve(const QTextCharFormat &fmt)
{
    CharFormat out;
    QString family = fmt.fontFamilies().toStringList().value(0);
    if (family.isEmpty())
        family = fmt.property(QTextFormat::FontFamily).toString();
    if (family.isEmpty())
        family = m_defaultFont.families().value(0, m_defaultFont.family());
    out.font = fontIndex(family);

    double points = fmt.hasProperty(QTextFormat::FontPointSize) ? fmt.fontPointSize()
                                                                : m_defaultFont.pointSizeF();
    if (points <= 0 && fmt.hasProperty(QTextFormat::FontPixelSize))
        points = fmt.intProperty(QTextFormat::FontPixelSize) * 0.75;
    if (points <= 0 && m_defaultFont.pixelSize() > 0)
        points = m_defaultFont.pixelSize() * 0.75;
    if (points <= 0)
        points = 12;
    out.halfPoints = std::clamp(int(points * 2 + 0.5), 1, 3276);

    out.bold = fmt.hasProperty(QTextFormat::FontWeight) ? fmt.fontWeight() > QFont::Medium
                                                        : m_defaultFont.bold();
    out.italic =
        fmt.hasProperty(QTextFormat::FontItalic) ? fmt.fontItalic() : m_defaultFont.italic();
    out.underline = fmt.hasProperty(QTextFormat::TextUnderlineStyle) ||
                            fmt.hasProperty(QTextFormat::FontUnderline)
                        ? fmt.fontUnderline()
                        : m_defaultFont.underline();
    out.strike = fmt.hasProperty(QTextFormat::FontStrikeOut) ? fmt.fontStrikeOut()
                                                             : m_defaultFont.strikeOut();
    if (fmt.hasProperty(QTextFormat::ForegroundBrush) && fmt.foreground().style() != Qt::NoBrush)
        out.colour = colourIndex(fmt.foreground().color().rgb());
    return out;
}

void Writer::word(const char *name)
{
    m_body.append('\\').append(name);
    m_needSpace = true;
}

void Writer::word(const char *name, int param)
{
    m_body.append('\\').append(name).append(QByteArray::number(param));
    m_needSpace = true;
}

void Writer::applyFormat(const CharFormat &fmt)
{
    if (!m_started || fmt.colour != m_current.colour)
        word("cf", fmt.colour);
    if (fmt.bold != m_current.bold)
        fmt.bold ? word("b") : word("b", 0);
    if (fmt.italic != m_current.italic)
        fmt.italic ? word("i") : word("i", 0);
    if (fmt.underline != m_current.underline)
        fmt.underline ? word("ul") : word("ulnone");
    if (fmt.strike != m_current.strike)
        fmt.strike ? word("strike") : word("strike", 0);
    if (!m_started || fmt.font != m_current.font)
        word("f", fmt.font);
    if (!m_started || fmt.halfPoints != m_current.halfPoints)
        word("fs", fmt.halfPoints);
    m_current = fmt;
    m_started = true;
}

void Writer::text(QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c >= 0x20 && c < 0x7F) {
            if (c == u'\\' || c == u'{' || c == u'}') {
                m_body.append('\\');
            } else if (m_needSpace) {
                m_body.append(' ');
            }
            m_body.append(char(c));
            m_needSpace = false;
        } else if (c == u'\t') {
            word("tab");
        } else if (c == QChar::LineSeparator) {
            word("line");
        } else if (const int b = Cp1252::byteFor(c); b >= 0) {
            m_body.append("\\'").append(hex[b >> 4]).append(hex[b & 15]);
            m_needSpace = false;
        } else {
            m_body.append("\\u").append(QByteArray::number(c > 0x7FFF ? int(c) - 0x10000 : int(c)));
            m_body.append('?');
            m_needSpace = false;
        }
    }
}

void Writer::picture(const QTextImageFormat &fmt)
{
    // A picture the reader did not show goes back exactly as it came.
    if (const QByteArray group = RtfImages::keptGroup(m_doc, fmt); !group.isEmpty()) {
        m_body.append(group);
        m_needSpace = false;
        return;
    }
    const RtfImages::Encoded pic = RtfImages::encoded(m_doc, fmt);
    if (pic.data.isEmpty())
        return;
    const double width = fmt.width() > 0 ? fmt.width() : pic.size.width();
    const double height = fmt.height() > 0 ? fmt.height() : pic.size.height();
    m_body.append("{\\pict");
    m_body.append(pic.png ? "\\pngblip" : "\\jpegblip");
    m_body.append("\\picw").append(QByteArray::number(pic.size.width()));
    m_body.append("\\pich").append(QByteArray::number(pic.size.height()));
    m_body.append("\\picwgoal").append(QByteArray::number(qRound(width * kTwipsPerPixel)));
    m_body.append("\\pichgoal").append(QByteArray::number(qRound(height * kTwipsPerPixel)));
    m_body.append("\r\n");
    const QByteArray hex = pic.data.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128)
        m_body.append(QByteArrayView(hex).sliced(i, std::min<qsizetype>(128, hex.size() - i)))
            .append("\r\n");
    m_body.append('}');
    m_needSpace = false;
}

void Writer::escapedName(QByteArray &out, QStringView name)
{
    static const char hex[] = "0123456789abcdef";
    for (QChar qc : name) {
        const char16_t c = qc.unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out.append('\\').append(char(c));
        } else if (c > 0x20 && c < 0x7F && c != u';') {
            out.append(char(c));
        } else if (c == u' ') {
            out.append(' ');
        } else if (const int b = Cp1252::byteFor(c); b >= 0) {
            out.append("\\'").append(hex[b >> 4]).append(hex[b & 15]);
        } else {
            out.append("\\u").append(QByteArray::number(c > 0x7FFF ? int(c) - 0x10000 : int(c)));
            out.append('?');
        }
    }
}

const Chain &Writer::chainOf(const QTextCharFormat &fmt)
{
    QString name = fmt.stringProperty(Rtf::ResultOfProperty);
    if (name.isEmpty() && !fmt.isAnchor())
        return m_none;
    if (!name.isEmpty() && name == m_lastName)
        return m_lastChain;
    m_lastName = name;
    Chain &chain = m_lastChain;
    chain.clear();
    while (!name.isEmpty() && chain.size() < 256) {
        std::optional<RtfFields::Wrap> wrap = RtfFields::wrap(m_doc, name);
        if (!wrap)
            break;
        QString parent = wrap->parent;
        chain.emplace(chain.begin(), std::move(name), std::move(*wrap));
        name = std::move(parent);
    }
    if (chain.empty() && fmt.isAnchor() && !fmt.anchorHref().isEmpty()) {
        // A link that came without a field (pasted) gets one.
        QString href = fmt.anchorHref();
        href.replace(u'\\', u"\\\\"_qs).replace(u'"', u"\\\""_qs);
        RtfFields::Wrap link;
        link.head = "{\\field{\\*\\fldinst HYPERLINK \"";
        escapedName(link.head, href);
        link.head.append("\"}");
        link.opener = "{\\fldrslt";
        link.tail = "}";
        chain.emplace_back(u"href:"_qs + fmt.anchorHref(), std::move(link));
    }
    return chain;
}

// Closes the results the next fragment is not part of and opens those it is. A result starts
// from the plain format, whatever the group around it set.
void Writer::enterChain(const Chain &chain)
{
    // A chain is known by its innermost name.
    if (chain.size() == m_open.size() &&
        (chain.empty() || chain.back().first == m_open.back().name))
        return;
    size_t common = 0;
    while (common < m_open.size() && common < chain.size() &&
           m_open[common].name == chain[common].first)
        ++common;
    while (m_open.size() > common) {
        m_body.append('}').append(m_open.back().tail);
        m_current = m_open.back().outside;
        m_started = m_open.back().started;
        m_open.pop_back();
        m_needSpace = false;
    }
    for (size_t i = common; i < chain.size(); ++i) {
        const RtfFields::Wrap &wrap = chain[i].second;
        m_body.append(wrap.head).append(wrap.opener);
        // A \uc kept in the bytes around the result would change what the result's \u skip.
        if (wrap.head.contains("\\uc"))
            m_body.append("\\uc1");
        m_body.append("\\plain");
        m_open.push_back(Open{chain[i].first, wrap.tail, m_current, m_started});
        m_current = CharFormat{};
        m_started = false;
        m_needSpace = true;
    }
}

QByteArray Writer::run()
{
    m_body.reserve(m_doc.characterCount() + m_doc.characterCount() / 4 + 256);
    Qt::Alignment currentAlign = Qt::AlignLeft;
    bool firstBlock = true;
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        enterChain({});
        if (!firstBlock) {
            m_body.append("\\par\r\n");
            m_needSpace = false;
        }
        firstBlock = false;

        Qt::Alignment align =
            block.blockFormat().alignment() &
            (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify);
        if (align != Qt::AlignRight && align != Qt::AlignHCenter && align != Qt::AlignJustify)
            align = Qt::AlignLeft;
        if (align != currentAlign) {
            word(align == Qt::AlignRight     ? "qr"
                 : align == Qt::AlignHCenter ? "qc"
                 : align == Qt::AlignJustify ? "qj"
                                             : "ql");
            currentAlign = align;
        }

        if (block.length() <= 1) {
            // An empty line keeps the size of its paragraph mark.
            applyFormat(resolve(block.charFormat()));
            continue;
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QTextCharFormat fmt = frag.charFormat();
            const QString str = frag.text();
            enterChain(chainOf(fmt));
            if (fmt.isImageFormat()) {
                for (qsizetype i = 0; i < str.size(); ++i)
                    picture(fmt.toImageFormat());
                continue;
            }
            applyFormat(resolve(fmt));
            text(str);
        }
    }
    enterChain({});
    m_body.append("}\r\n");

    QByteArray out;
    out.reserve(m_body.size() + 512);
    out.append("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046{\\fonttbl");
    if (m_fonts.isEmpty())
        m_fonts.append(m_defaultFont.families().value(0, m_defaultFont.family()));
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        out.append("{\\f").append(QByteArray::number(i)).append("\\fnil\\fcharset0 ");
        escapedName(out, m_fonts[i]);
        out.append(";}");
    }
    out.append("}\r\n");
    if (!m_colours.isEmpty()) {
        out.append("{\\colortbl ;");
        for (QRgb rgb : std::as_const(m_colours)) {
            out.append("\\red").append(QByteArray::number(qRed(rgb)));
            out.append("\\green").append(QByteArray::number(qGreen(rgb)));
            out.append("\\blue").append(QByteArray::number(qBlue(rgb))).append(';');
        }
        out.append("}\r\n");
    }
    out.append("\\viewkind4\\uc1\\pard");
    if (!m_body.startsWith('\\') && !m_body.startsWith('{') && !m_body.startsWith('}'))
        out.append(' ');
    out.append(m_body);
    return out;
}

} // namespace

namespace Rtf {

QByteArray write(const QTextDocument &doc)
{
    return Writer(doc).run();
}

} // namespace Rtf
