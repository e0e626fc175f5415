#pragma once

#include <QByteArrayView>

#include <string_view>
#include <unordered_map>

// Private to the rtf layer: the reader's control words and the lexing its files share.
namespace Rtf::detail {

enum class Kw {
    Ansi,
    AnsiCpg,
    Mac,
    Pc,
    Pca,
    Deff,
    FontTable,
    ColorTable,
    F,
    Fs,
    B,
    I,
    Ul,
    UlNone,
    Strike,
    Cf,
    Plain,
    Pard,
    Par,
    Line,
    Tab,
    Ql,
    Qc,
    Qr,
    Qj,
    U,
    Uc,
    Bin,
    Pict,
    PngBlip,
    JpegBlip,
    OtherBlip,
    PicW,
    PicH,
    PicWGoal,
    PicHGoal,
    PicScaleX,
    PicScaleY,
    Red,
    Green,
    Blue,
    FCharset,
    Cpg,
    ShpPict,
    SkipDest,
    Object,
    Result,
    ObjW,
    ObjH,
    Field,
    FldInst,
    FldRslt,
    Char,
    Cell
};

struct KwInfo
{
    Kw kw;
    char16_t ch = 0;
};

const std::unordered_map<std::string_view, KwInfo> &keywords();
bool isDestination(Kw kw);
qsizetype groupEnd(QByteArrayView bytes, int *open);

// Inline: called for every byte the reader lexes.
inline bool isAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace Rtf::detail
