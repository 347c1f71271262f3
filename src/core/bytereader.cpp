#include "core/bytereader.h"

#include <QtEndian>
#include <cstring>

bool ByteReader::fail(Error error, qint64 at) {
    if (error_ == Error::None) {
        error_ = error;
        errorOffset_ = at;
    }
    return false;
}

bool ByteReader::have(qint64 count) {
    if (error_ != Error::None) {
        return false;
    }
    if (count < 0) {
        return fail(Error::NegativeCount, offset());
    }
    if (count > bytesLeft()) {
        return fail(Error::EndOfData, offset());
    }
    return true;
}

quint8 ByteReader::u8() {
    if (!have(1)) {
        return 0;
    }
    return static_cast<quint8>(data_[pos_++]);
}

qint16 ByteReader::i16() {
    if (!have(2)) {
        return 0;
    }
    const qint16 value = qFromLittleEndian<qint16>(data_.data() + pos_);
    pos_ += 2;
    return value;
}

qint32 ByteReader::i32() {
    if (!have(4)) {
        return 0;
    }
    const qint32 value = qFromLittleEndian<qint32>(data_.data() + pos_);
    pos_ += 4;
    return value;
}

double ByteReader::f64() {
    if (!have(8)) {
        return 0;
    }
    const quint64 bits = qFromLittleEndian<quint64>(data_.data() + pos_);
    pos_ += 8;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

qint32 ByteReader::count(qint64 minItemSize) {
    const qint64 at = offset();
    const qint32 value = i32();
    if (!ok()) {
        return 0;
    }
    if (value < 0 || qint64(value) * minItemSize > bytesLeft()) {
        fail(Error::CountTooLarge, at);
        return 0;
    }
    return value;
}

QByteArrayView ByteReader::bytes(qint64 count) {
    if (!have(count)) {
        return {};
    }
    const QByteArrayView view = data_.sliced(pos_, count);
    pos_ += count;
    return view;
}

QByteArrayView ByteReader::text() {
    if (!ok()) {
        return {};
    }
    const QByteArrayView rest = data_.sliced(pos_);
    const qsizetype end = rest.indexOf('\0');
    if (end < 0) {
        fail(Error::UnterminatedText, offset());
        return {};
    }
    pos_ += end + 1;
    return rest.first(end);
}

ByteReader ByteReader::take(qint64 count) {
    const qint64 start = offset();
    if (!have(count)) {
        ByteReader failed(QByteArrayView(), start);
        failed.fail(error_, errorOffset_);
        return failed;
    }
    ByteReader part(data_.sliced(pos_, count), start);
    pos_ += count;
    return part;
}
