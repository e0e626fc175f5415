#pragma once

#include <QByteArray>
#include <QString>

// Windows code page 1252, the encoding of every text file the program shares with older copies.
// The five bytes 1252 leaves undefined map to the C1 controls of the same value, as Windows does,
// so every byte sequence survives a decode/encode round trip.
namespace Cp1252 {

QString decode(QByteArrayView bytes);

// True when every character of text has a 1252 byte.
bool canEncode(QStringView text);

// Characters without a 1252 byte become '?'.
QByteArray encode(QStringView text);

// The 1252 byte of one character, or -1 when there is none.
int byteFor(char16_t ch);

} // namespace Cp1252

// Text stored in a 1252 file. Values 1252 cannot hold are written as UTF-8 so that they are not
// lost; reading takes UTF-8 only when the bytes are valid UTF-8 with at least one multi-byte
// sequence.
namespace StoredText {

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView text);

} // namespace StoredText
