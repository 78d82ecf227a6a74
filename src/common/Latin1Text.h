#pragma once

#include <QByteArrayView>
#include <QString>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

/**
 * Log text is Latin-1: one byte is one character, so byte and character columns agree.
 * These run twice for every counted log line (the client and "<All-clients>"). Hand-made with
 * SSE2: against std::copy_n and QString's own comparison they make counting a log
 * (bench_process) 4 to 6 % faster, with 8 % fewer instructions.
 */
namespace Latin1Text {

/** Widens n Latin-1 bytes to UTF-16. */
inline void widen(const char* in, QChar* out, qsizetype n) {
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; n >= 16; n -= 16, in += 16, out += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
    }
    if (n >= 8) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
        n -= 8;
        in += 8;
        out += 8;
    }
#endif
    for (; n > 0; --n)
        *out++ = QLatin1Char(*in++);
}

/** Whether text holds exactly the characters of bytes. */
inline bool equals(const QString& text, QByteArrayView bytes) {
    if (text.size() != bytes.size())
        return false;
    const QChar* in = text.constData();
    const char* b = bytes.data();
    qsizetype n = bytes.size();
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; n >= 8; n -= 8, b += 8, in += 8) {
        const __m128i wide =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)), zero);
        const __m128i have = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(wide, have)) != 0xffff)
            return false;
    }
#endif
    for (; n > 0; --n)
        if ((in++)->unicode() != uchar(*b++))
            return false;
    return true;
}

} // namespace Latin1Text
