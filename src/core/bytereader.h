#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// Reads little-endian fields from a block of bytes that came from a file and
// is not trusted. Every read checks that its bytes are there; a count or a
// length is checked against the bytes left before anything is skipped, and a
// zero-terminated text never runs past the end of the block.
//
// The first failure sticks: it is kept with the file offset where the failing
// read started, and from then on every read returns 0 or an empty view without
// moving, so a caller can read a run of fields and look at ok() once.
class ByteReader {
public:
    enum class Error {
        None,
        EndOfData,         // fewer bytes left than the read needs
        UnterminatedText,  // no 0x00 before the end of the block
        NegativeCount,     // a count below zero
        CountTooLarge,     // a count of items read from the data that cannot fit the bytes left
    };

    // fileOffset is the position of data[0] in the file, for error offsets.
    explicit ByteReader(QByteArrayView data, qint64 fileOffset = 0)
        : data_(data), base_(fileOffset) {}

    qint64 offset() const { return base_ + pos_; }
    qint64 bytesLeft() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }

    bool ok() const { return error_ == Error::None; }
    Error error() const { return error_; }
    qint64 errorOffset() const { return errorOffset_; }

    quint8 u8();
    qint16 i16();
    qint32 i32();
    double f64();

    // The next count bytes.
    QByteArrayView bytes(qint64 count);
    void skip(qint64 count) { bytes(count); }
    // The characters up to the next 0x00; the terminator is read and dropped.
    QByteArrayView text();
    // A signed 32-bit count of items that take at least minItemSize bytes
    // each. A count below zero or one whose items cannot fit the bytes left is
    // a failure (CountTooLarge, at the count's offset), so a loop over the
    // items is bounded by the data itself.
    qint32 count(qint64 minItemSize);
    // A reader over the next count bytes, which this reader moves past. After
    // a failure the returned reader is empty and has failed as well.
    ByteReader take(qint64 count);

private:
    bool fail(Error error, qint64 at);
    // True when count bytes can be read; otherwise records the failure.
    bool have(qint64 count);

    QByteArrayView data_;
    qint64 base_ = 0;
    qint64 pos_ = 0;
    Error error_ = Error::None;
    qint64 errorOffset_ = -1;
};
