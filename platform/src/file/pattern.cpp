// File name patterns as FindFirstFileA matches them.
//
// The platform turns a pattern into its "DOS" form before matching: a `?` becomes a question mark
// that matches nothing at a dot or at the end of the name; a `*` directly before a dot becomes a star
// that cannot swallow the name's last dot; a dot directly before `?`, `*` or the end of the pattern
// matches a dot or the end of the name. That is why "*.*" lists names without a dot, "*." lists
// only names without an extension and "name.*" finds "name" itself. Letters compare without regard to
// case. Names are never matched by a short 8.3 alias (the layer makes none).
#include "file/path.h"
#include "plat/files.h"

#include <vector>

namespace plat {
namespace {

enum Token : int { kLiteralBase = 0, kStar = 0x100, kDosStar, kQuestion, kDosDot };

std::vector<int> Translate(const std::string& upperPattern) {
    std::vector<int> tokens;
    for (size_t i = 0; i < upperPattern.size(); ++i) {
        char c = upperPattern[i];
        char next = i + 1 < upperPattern.size() ? upperPattern[i + 1] : '\0';
        if (c == '?')
            tokens.push_back(kQuestion);
        else if (c == '*')
            tokens.push_back(next == '.' ? kDosStar : kStar);
        else if (c == '.' && (next == '?' || next == '*' || next == '\0'))
            tokens.push_back(kDosDot);
        else
            tokens.push_back(static_cast<unsigned char>(c));
    }
    return tokens;
}

class Matcher {
  public:
    Matcher(std::vector<int> tokens, std::string name)
        : tokens_(std::move(tokens)), name_(std::move(name)),
          memo_((tokens_.size() + 1) * (name_.size() + 1), kUnknown) {
        size_t dot = name_.rfind('.');
        lastDot_ = dot == std::string::npos ? name_.size() : dot;
    }

    bool Match(size_t t, size_t n) {
        signed char& memo = memo_[t * (name_.size() + 1) + n];
        if (memo == kUnknown) memo = Compute(t, n) ? 1 : 0;
        return memo == 1;
    }

  private:
    static constexpr signed char kUnknown = -1;

    bool Compute(size_t t, size_t n) {
        const size_t size = name_.size();
        if (t == tokens_.size()) return n == size;
        switch (tokens_[t]) {
        case kStar:
            for (size_t k = n; k <= size; ++k) {
                if (Match(t + 1, k)) return true;
            }
            return false;
        case kDosStar: {
            // May take any characters except the name's last dot.
            size_t limit = (lastDot_ < size && lastDot_ >= n) ? lastDot_ : size;
            for (size_t k = n; k <= limit; ++k) {
                if (Match(t + 1, k)) return true;
            }
            return false;
        }
        case kQuestion: {
            if (n < size && name_[n] != '.') return Match(t + 1, n + 1);
            size_t after = t;
            while (after < tokens_.size() && tokens_[after] == kQuestion)
                ++after;
            return Match(after, n);
        }
        case kDosDot:
            if (n == size) return Match(t + 1, n);
            return name_[n] == '.' && Match(t + 1, n + 1);
        default:
            return n < size && static_cast<unsigned char>(name_[n]) == tokens_[t] && Match(t + 1, n + 1);
        }
    }

    std::vector<int> tokens_;
    std::string name_;
    std::vector<signed char> memo_;
    size_t lastDot_ = 0;
};

} // namespace

bool MatchesFilePattern(const std::string& pattern, const std::string& name) {
    Matcher matcher(Translate(detail::UpperAscii(pattern)), detail::UpperAscii(name));
    return matcher.Match(0, 0);
}

} // namespace plat
