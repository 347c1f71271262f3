#include "core/bytewriter.h"

#include "core/ansi.h"

void ByteWriter::zeroText(QStringView text, qsizetype* replaced) {
    const qsizetype start = out_.size();
    if (utf8_) {
        out_.append(text.toUtf8());
    } else {
        AppendAnsi(out_, text, replaced);
    }
    char* p = out_.data() + start;
    char* end = out_.data() + out_.size();
    const qsizetype nuls = std::count(p, end, '\0');
    if (nuls > 0) {
        std::replace(p, end, '\0', '?');
        if (replaced != nullptr) {
            *replaced += nuls;
        }
    }
    out_.append('\0');
}

bool ByteWriter::shortText(QStringView text, qsizetype* replaced) {
    const qsizetype lengthAt = out_.size();
    out_.append('\0');
    AppendAnsi(out_, text, replaced);
    qsizetype length = out_.size() - lengthAt - 1;
    const bool cut = length > 255;
    if (cut) {
        // Cutting the encoded bytes cuts characters, and never half of a
        // surrogate pair: such a pair was encoded as a single "?".
        out_.truncate(lengthAt + 1 + 255);
        length = 255;
    }
    out_[lengthAt] = static_cast<char>(length);
    return cut;
}

void ByteWriter::flaggedDouble(quint8 flag, double value, Flagged layout) {
    if (layout == Flagged::Always) {
        byte(flag);
        float64(value);
    } else if (flag == 0) {
        byte(0);
    } else {
        byte(1);
        float64(value);
    }
}

qsizetype ByteWriter::beginRecord(char type) {
    const qsizetype record = out_.size();
    int32(0);
    out_.append(type);
    return record;
}

void ByteWriter::endRecord(qsizetype record) {
    const qint32 length = static_cast<qint32>(out_.size() - record - 5);
    qToLittleEndian(length, out_.data() + record);
}
