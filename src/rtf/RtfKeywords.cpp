#include "rtf/RtfKeywords.h"

#include <algorithm>
#include <cstdint>

namespace Rtf::detail {

const std::unordered_map<std::string_view, KwInfo> &keywords()
{
    static const std::unordered_map<std::string_view, KwInfo> table = [] {
        std::unordered_map<std::string_view, KwInfo> t = {
            {"ansi", {Kw::Ansi}},
            {"ansicpg", {Kw::AnsiCpg}},
            {"mac", {Kw::Mac}},
            {"pc", {Kw::Pc}},
            {"pca", {Kw::Pca}},
            {"deff", {Kw::Deff}},
            {"fonttbl", {Kw::FontTable}},
            {"colortbl", {Kw::ColorTable}},
            {"f", {Kw::F}},
            {"fs", {Kw::Fs}},
            {"b", {Kw::B}},
            {"i", {Kw::I}},
            {"ul", {Kw::Ul}},
            {"ulnone", {Kw::UlNone}},
            {"strike", {Kw::Strike}},
            {"striked", {Kw::Strike}},
            {"cf", {Kw::Cf}},
            {"plain", {Kw::Plain}},
            {"pard", {Kw::Pard}},
            {"par", {Kw::Par}},
            {"page", {Kw::Par}},
            {"sect", {Kw::Par}},
            {"row", {Kw::Par}},
            {"line", {Kw::Line}},
            {"tab", {Kw::Tab}},
            {"cell", {Kw::Cell}},
            {"nestcell", {Kw::Cell}},
            {"ql", {Kw::Ql}},
            {"qc", {Kw::Qc}},
            {"qr", {Kw::Qr}},
            {"qj", {Kw::Qj}},
            {"u", {Kw::U}},
            {"uc", {Kw::Uc}},
            {"bin", {Kw::Bin}},
            {"pict", {Kw::Pict}},
            {"pngblip", {Kw::PngBlip}},
            {"jpegblip", {Kw::JpegBlip}},
            {"picw", {Kw::PicW}},
            {"pich", {Kw::PicH}},
            {"picwgoal", {Kw::PicWGoal}},
            {"pichgoal", {Kw::PicHGoal}},
            {"picscalex", {Kw::PicScaleX}},
            {"picscaley", {Kw::PicScaleY}},
            {"red", {Kw::Red}},
            {"green", {Kw::Green}},
            {"blue", {Kw::Blue}},
            {"fcharset", {Kw::FCharset}},
            {"cpg", {Kw::Cpg}},
            {"shppict", {Kw::ShpPict}},
            {"object", {Kw::Object}},
            {"result", {Kw::Result}},
            {"objw", {Kw::ObjW}},
            {"objh", {Kw::ObjH}},
            {"field", {Kw::Field}},
            {"fldinst", {Kw::FldInst}},
            {"fldrslt", {Kw::FldRslt}}, // a field's result is the text it shows
            {"emdash", {Kw::Char, 0x2014}},
            {"endash", {Kw::Char, 0x2013}},
            {"bullet", {Kw::Char, 0x2022}},
            {"lquote", {Kw::Char, 0x2018}},
            {"rquote", {Kw::Char, 0x2019}},
            {"ldblquote", {Kw::Char, 0x201C}},
            {"rdblquote", {Kw::Char, 0x201D}},
            {"emspace", {Kw::Char, 0x2003}},
            {"enspace", {Kw::Char, 0x2002}},
            {"qmspace", {Kw::Char, 0x2005}},
            {"zwj", {Kw::Char, 0x200D}},
            {"zwnj", {Kw::Char, 0x200C}},
            {"ltrmark", {Kw::Char, 0x200E}},
            {"rtlmark", {Kw::Char, 0x200F}},
        };
        for (const char *name :
             {"uld", "uldb", "uldash", "uldashd", "uldashdd", "ulhwave", "ulldash", "ulth", "ulthd",
              "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            t.emplace(name, KwInfo{Kw::Ul});
        for (const char *name : {"wmetafile", "emfblip", "dibitmap", "wbitmap", "macpict",
                                 "pmmetafile", "wbmbitspixel"})
            t.emplace(name, KwInfo{Kw::OtherBlip});
        // Destinations whose text is never part of the note.
        for (const char *name : {"stylesheet",
                                 "info",
                                 "header",
                                 "headerl",
                                 "headerr",
                                 "headerf",
                                 "footer",
                                 "footerl",
                                 "footerr",
                                 "footerf",
                                 "footnote",
                                 "annotation",
                                 "atnid",
                                 "atnauthor",
                                 "atndate",
                                 "atnref",
                                 "themedata",
                                 "colorschememapping",
                                 "datastore",
                                 "latentstyles",
                                 "listtable",
                                 "listoverridetable",
                                 "revtbl",
                                 "rsidtbl",
                                 "xmlnstbl",
                                 "filetbl",
                                 "nonshppict",
                                 "txe",
                                 "xe",
                                 "tc",
                                 "private",
                                 "pgdsctbl",
                                 "userprops",
                                 "docvar",
                                 "comment",
                                 "doccomm",
                                 "title",
                                 "subject",
                                 "operator",
                                 "keywords",
                                 "company",
                                 "author",
                                 "creatim",
                                 "revtim",
                                 "printim",
                                 "buptim",
                                 "template",
                                 "bkmkstart",
                                 "bkmkend",
                                 "objdata",
                                 "objclass",
                                 "objname",
                                 "generator",
                                 "pnseclvl",
                                 "pn",
                                 "mmathPr",
                                 "listpicture",
                                 "passwordhash",
                                 "protusertbl",
                                 "fchars",
                                 "lchars",
                                 "ftnsep",
                                 "ftnsepc",
                                 "ftncn",
                                 "aftnsep",
                                 "aftnsepc",
                                 "aftncn",
                                 "hlinkbase",
                                 "background",
                                 "shpinst",
                                 "sp",
                                 "sn",
                                 "sv",
                                 "do",
                                 "falt",
                                 "panose",
                                 "fname"})
            t.emplace(name, KwInfo{Kw::SkipDest});
        return t;
    }();
    return table;
}

// Words that open a destination of their own, as opposed to formatting or text.
bool isDestination(Kw kw)
{
    switch (kw) {
    case Kw::FontTable:
    case Kw::ColorTable:
    case Kw::Pict:
    case Kw::ShpPict:
    case Kw::SkipDest:
    case Kw::Object:
    case Kw::Result:
    case Kw::Field:
    case Kw::FldInst:
    case Kw::FldRslt:
        return true;
    default:
        return false;
    }
}

// Where the group opening at bytes[0] ends, just past its closing brace, lexed the way the reader
// lexes; -1 when it does not end, with *open (if given) the groups still open.
qsizetype groupEnd(QByteArrayView bytes, int *open)
{
    const qsizetype n = bytes.size();
    int depth = 0;
    qsizetype i = 0;
    while (i < n) {
        const char c = bytes[i++];
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0)
                return i;
        } else if (c == '\\' && i < n) {
            if (!isAlpha(bytes[i])) {
                ++i;
                continue;
            }
            const qsizetype name = i;
            while (i < n && isAlpha(bytes[i]))
                ++i;
            const bool bin = bytes.sliced(name, i - name) == "bin";
            const bool negative = i + 1 < n && bytes[i] == '-' && isDigit(bytes[i + 1]);
            if (negative)
                ++i;
            qint64 value = 0;
            while (i < n && isDigit(bytes[i])) {
                if (value <= INT32_MAX)
                    value = value * 10 + (bytes[i] - '0');
                ++i;
            }
            if (i < n && bytes[i] == ' ')
                ++i;
            if (bin && !negative && value > 0)
                i += std::min<qint64>(std::min<qint64>(value, INT32_MAX), n - i);
        }
    }
    if (open)
        *open = depth;
    return -1;
}

} // namespace Rtf::detail
