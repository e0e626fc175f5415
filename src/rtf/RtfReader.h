#pragma once

#include "rtf/RtfKeywords.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

#include <cstdint>
#include <string_view>
#include <vector>

class QTextDocument;

// Private to the rtf layer: the reader behind Rtf::read, declared here so that its members can be
// defined in a file per concern.
namespace Rtf::detail {

// Wrapper: a field's or an object's group outside the result it shows.
enum class Dest : std::uint8_t { Text, Skip, Wrapper, FontTable, ColorTable, Picture };

// Each kept picture, object, field or destination costs the document about a kilobyte whatever its
// size: a file of nothing but empty groups keeps no more than these.
constexpr int kMaxKept = 10000;

struct CharState
{
    int font = -1; // -1: the document's default font (\deff)
    int halfPoints = 24;
    int colour = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int wrap = 0; // the field or object result the text shows, index in Reader::m_wraps + 1

    bool operator==(const CharState &) const = default;
};

struct GroupState
{
    CharState chr;
    Qt::Alignment align = Qt::AlignLeft;
    int uc = 1;
    Dest dest = Dest::Text;
    qsizetype open = -1;      // offset of the group's opening brace
    bool instruction = false; // the group of a field's instruction
};

// A group being read that is kept as it came: an unknown destination, or a field or object. A
// field or object whose result shows something keeps the bytes around its result, the result
// itself being the text shown; one whose result shows nothing is kept whole.
struct Kept
{
    enum Kind : std::uint8_t { Destination, Field, Object } kind = Destination;
    size_t level = 0;       // stack size inside the group
    qsizetype start = -1;   // where its bytes start, -1: it cannot be kept
    bool ownBrace = false;  // it starts inside a group of other text: a brace of its own goes first
    int parent = 0;         // the result it lies in, as CharState::wrap
    size_t resultLevel = 0; // stack size inside its result while that is read
    qsizetype resultOpen = -1, resultEnd = -1;
    int wrap = 0; // its result, as CharState::wrap; 0: none yet
    bool instructionSeen = false;
    QString href;
    int objW = 0, objH = 0; // twips
    int uc = 1;             // the \uc in force where it starts
};

struct Wrap
{
    QString name; // of its document resource
    QString href; // of the link it shows, its own or its parent's
    int parent = 0;
    bool used = false; // something was shown in it
};

struct Font
{
    QString name;
    int codePage = 0; // 0: the document's code page
};

// Characters that would make QTextCursor::insertText open blocks or frames of its own.
inline bool isStructural(char16_t c)
{
    return c == 0 || c == u'\n' || c == u'\r' || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

class Reader
{
public:
    Reader(const QByteArray &data, QTextDocument *doc, qint64 maxCharacters)
        : m_data(data.constData()), m_size(data.size()), m_doc(doc), m_cursor(doc),
          m_limit(maxCharacters)
    {
        m_stack.reserve(64);
        m_stack.push_back(GroupState{});
    }

    void run();
    // The characters of the whole document, those beyond the limit included.
    qint64 characters() const { return m_count; }

private:
    GroupState &state() { return m_stack.back(); }

    void openGroup();
    void closeGroup();
    void controlWord();
    void controlSymbol(char c);
    void word(std::string_view name, bool hasParam, int param);
    void pictureWord(Kw kw, bool hasParam, int param);
    void wrapperWord(Kw kw, int param);
    void textBytes(qsizetype from, qsizetype to);
    void textByte(char c);
    void unicodeChar(int value);
    void hexEscape();
    void binary(int length);

    bool consumeFallback();
    void syncRun();
    void appendText(QStringView text);
    void flushBytes();
    void flushRun();
    void paragraph();
    void finishBlock();
    QTextCharFormat charFormat(const CharState &chr);
    int codePageFor(const CharState &chr) const;

    void commitFont();
    void flushFontBytes();
    void commitColour();
    void startPicture();
    void finishPicture();
    QImage decodePicture(const QByteArray &data);
    QSizeF goalSize(QSizeF natural) const;
    void keepPicture();
    QImage placeholder(const QSizeF &shown);
    QSizeF placeholderSize(QSizeF goal) const;
    // Typed beside the box, text takes the format of the text around it.
    void insertBox(const QByteArray &group, QSizeF goal, int wrap);

    bool opensGroup() const;
    QByteArray keptBytes(qsizetype start, bool ownBrace, int uc) const;
    bool startKept(Kept::Kind kind);
    void startResult(Kept &kept);
    void readInstruction();
    void finishKept();
    bool tooDeepWritten(size_t level) const;
    void unkeepOpen();
    void keepWrap(const Kept &kept);
    void markUsed(int wrap);
    void addMark(const QByteArray &group, int wrap);
    void commitMark();

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    qsizetype m_wordStart = 0; // the backslash of the control word being read
    bool m_atEnd = false;      // the data has ended; open groups are being closed
    QTextDocument *m_doc;
    QTextCursor m_cursor;
    // Beyond the limit characters are only counted: a huge note costs no more than its beginning.
    qint64 m_limit;
    qint64 m_count = 1; // the document's last paragraph separator is one

    std::vector<GroupState> m_stack;
    int m_overflowDepth = 0;
    int m_skip = 0; // fallback characters still to skip after \u

    int m_docCodePage = 1252;
    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    std::vector<QColor> m_colours; // invalid colour: "auto"

    // Text waiting to be inserted, all in one format.
    CharState m_runState;
    bool m_runValid = false;
    QByteArray m_bytes;
    int m_bytesCodePage = 1252;
    QString m_run;
    CharState m_formatKey;
    QTextCharFormat m_format;
    bool m_formatValid = false;

    // Font table entry being read.
    bool m_fontOpen = false;
    int m_fontNumber = 0;
    Font m_font;
    QByteArray m_fontBytes;

    int m_red = -1, m_green = -1, m_blue = -1;

    // Picture being read.
    QByteArray m_pict;
    int m_pictNibble = -1;
    enum class PictType { None, Png, Jpeg, Other } m_pictType = PictType::None;
    int m_picWGoal = 0, m_picHGoal = 0;
    int m_picScaleX = 100, m_picScaleY = 100;
    qint64 m_pixels = 0;    // of all pictures read so far
    size_t m_pictLevel = 0; // stack size inside the picture's group; 0: no picture
    // Where the picture's group starts in the data, -1: it cannot be kept. When text or control
    // words came between the group's brace and \pict, the kept group starts at \pict behind a
    // brace of its own.
    qsizetype m_pictStart = -1;
    bool m_pictOwnBrace = false;
    int m_pictUc = 1; // the \uc in force where the picture starts
    int m_kept = 0;                        // groups kept undecoded
    QHash<quint64, QImage> m_placeholders; // by drawn width << 32 | height

    std::vector<Kept> m_open; // innermost last
    // Of the kept groups and the picture open, those that start inside a group: written again,
    // each gets a brace of its own, and all it holds lies a level deeper.
    size_t m_ownBraces = 0;
    std::vector<Wrap> m_wraps;
    // Groups that show nothing, waiting to be inserted as one mark before what comes next.
    QByteArray m_mark;
    int m_markWrap = 0;

    // What the current block was created with.
    Qt::Alignment m_blockAlign = Qt::AlignLeft;
    CharState m_blockChar;
    bool m_blockCharValid = false;
};

// After \uN the next \ucN characters are the fallback for older readers and are skipped. Returns
// true when the current token was one of them.
inline bool Reader::consumeFallback()
{
    if (m_skip <= 0)
        return false;
    --m_skip;
    return true;
}

} // namespace Rtf::detail
