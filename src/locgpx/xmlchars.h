#pragma once

// The characters of an XML 1.0 document, shared by the XML input and the XML
// writers.

#include <QChar>
#include <QtGlobal>

// The characters XML 1.0 allows in a document.
inline bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The character at s[i] of a UTF-16 text of n units: a surrogate pair is
// taken whole and i is left on its second half; a lone surrogate is itself.
inline char32_t CodePointAt(const char16_t* s, qsizetype n, qsizetype& i) {
    if (QChar::isHighSurrogate(s[i]) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
        ++i;
        return QChar::surrogateToUcs4(s[i - 1], s[i]);
    }
    return s[i];
}
