#pragma once

#include <QByteArray>
#include <QStringView>
#include <QtEndian>
#include <cstring>

// Appends the fields of a binary record to a byte buffer: integers and doubles
// little-endian, texts as Windows-1252 (one byte a character) or, where the
// format says so, as UTF-8.
class ByteWriter {
public:
    explicit ByteWriter(QByteArray& out) : out_(out) {}

    // Zero-terminated texts from now on in UTF-8, which carries every
    // character.
    void setUtf8Texts(bool utf8) { utf8_ = utf8; }

    void byte(quint8 value) { out_.append(static_cast<char>(value)); }
    void int16(qint16 value) { put(value); }
    void int32(qint32 value) { put(value); }
    void float64(double value) { put(value); }
    // count copies of one byte value.
    void run(qsizetype count, quint8 value) { out_.append(count, static_cast<char>(value)); }
    // Fixed bytes given as a string literal, embedded 0x00 bytes included
    // (the literal's own terminator is not written).
    template <size_t N>
    void literal(const char (&bytes)[N]) {
        out_.append(bytes, static_cast<qsizetype>(N - 1));
    }

    // A text followed by its 0x00 terminator. A NUL inside the text would end
    // the field early and throw every later field off, so it is replaced by
    // "?" like a character the code page lacks; replacements are added to
    // *replaced when given.
    void zeroText(QStringView text, qsizetype* replaced);

    // A length byte and the text, cut to 255 characters (one byte each).
    // Returns true when the text had to be cut.
    bool shortText(QStringView text, qsizetype* replaced);

    // A flag byte and its double. MPS records carry both whatever the flag
    // says, the flag as stored (Always); GDB records carry the double only
    // after a set flag, written as 01 because readers take it after no other
    // value (WhenSet).
    enum class Flagged { Always, WhenSet };
    void flaggedDouble(quint8 flag, double value, Flagged layout);

    // A record framed as MPS and GDB frame them: 4-byte length, type letter,
    // data. beginRecord returns the record's offset for endRecord, which fills
    // in the length once the data is written.
    qsizetype beginRecord(char type);
    void endRecord(qsizetype record);

    qsizetype size() const { return out_.size(); }

private:
    template <typename T>
    void put(T value) {
        const T little = qToLittleEndian(value);
        char bytes[sizeof(T)];
        std::memcpy(bytes, &little, sizeof(T));
        out_.append(bytes, sizeof(T));
    }

    QByteArray& out_;
    bool utf8_ = false;
};
