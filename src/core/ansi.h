#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Texts in MPS, GDB and TerraByte LOC files are Windows-1252 ("ANSI"), one
// byte a character.

QString DecodeAnsi(const char* data, qsizetype size);
inline QString DecodeAnsi(const QByteArray& bytes) {
    return DecodeAnsi(bytes.constData(), bytes.size());
}

// Encodes a text as Windows-1252. A character the code page cannot hold
// becomes one "?" (also a character outside the BMP) and is counted in
// *replaced when given.
QByteArray EncodeAnsi(QStringView text, qsizetype* replaced = nullptr);
// Appends the encoded text to out.
void AppendAnsi(QByteArray& out, QStringView text, qsizetype* replaced = nullptr);

// The Windows-1252 byte for a Unicode character, or -1 when it has none.
int AnsiByte(char32_t c);
