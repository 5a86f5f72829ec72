#include "core/search/FilePattern.h"

namespace parlaro {

namespace {

char32_t fold(char32_t c) {
    // Call names are almost all ASCII; only the rest needs the Unicode tables.
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    return QChar::toCaseFolded(c);
}

// The character at i (a surrogate pair is one character); i moves past it.
char32_t next(QStringView s, qsizetype& i) {
    const QChar c = s[i++];
    if (c.isHighSurrogate() && i < s.size() && s[i].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i++]);
    return c.unicode();
}

}  // namespace

FilePattern::FilePattern(const QString& pattern) {
    for (qsizetype i = 0; i < pattern.size();)
        folded_.push_back(fold(next(pattern, i)));
}

bool FilePattern::matches(QStringView name) const {
    // Greedy matching that backs up to the last "*" only: linear for the patterns a search
    // builds, never exponential.
    constexpr std::size_t kNone = std::u32string::npos;
    std::size_t p = 0;
    qsizetype n = 0;
    std::size_t starP = kNone;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < folded_.size() && folded_[p] == U'*') {
            starP = p++;
            starN = n;
            continue;
        }
        qsizetype after = n;
        const char32_t c = fold(next(name, after));
        if (p < folded_.size() && (folded_[p] == U'?' || folded_[p] == c)) {
            ++p;
            n = after;
            continue;
        }
        if (starP == kNone) return false;
        p = starP + 1;
        next(name, starN);
        n = starN;
    }
    while (p < folded_.size() && folded_[p] == U'*')
        ++p;
    return p == folded_.size();
}

}  // namespace parlaro
