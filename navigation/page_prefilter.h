// A quick look at a raw page, before its plain text is assembled: can the page hold the searched
// text at all? Most pages of a search for a rare word end here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavrin::search {

// Prepared once per searched text, then asked about any number of pages; it only reads, so several
// threads may ask at once.
class PagePrefilter {
  public:
    // needle: m > 0 bytes, folded (Fold) when fold, kept by the caller while this is used; rare: the
    // index of its least common byte (RarestByte).
    PagePrefilter(const unsigned char* needle, size_t m, bool fold, size_t rare);

    // False when the n bytes of the raw page certainly do not hold the text in the plain text of one
    // line (with fold, the page's A-Z count as a-z); true when they may.
    bool MayHold(const unsigned char* page, size_t n) const;

    // Pages laid one after another in `bytes[0, n)`, anything lying between them: calls
    // visit(context, q), in increasing order, for every place q at which MayHold of the page that
    // holds q could stop (and for some others); visit answers the place to go on from, after q. One
    // pass over a batch of a dictionary's short pages instead of a start and an end per page.
    // Only where the processor takes 32 or 64 bytes at a time (Sweeps()).
    using Visit = size_t (*)(void* context, size_t q);
    void Sweep(const unsigned char* bytes, size_t n, Visit visit, void* context) const;
    bool Sweeps() const;
    // Whether MayHold(page, n) would stop at q (0 <= q < n): what a sweep's visitor asks of the page
    // that holds a place it was given.
    bool HoldsAt(const unsigned char* page, size_t n, size_t q) const;

    // The text as it was given.
    const unsigned char* Needle() const { return needle_; }
    size_t Length() const { return m_; }
    bool Folds() const { return fold_; }
    size_t Rare() const { return rare_; }

  private:
    friend struct PageLook;
    const unsigned char* needle_;
    size_t m_, rare_;
    bool fold_;
    unsigned char rareByte_, rareOther_;
    // The second byte a run is recognised by, at pairOffset_ from the rare byte (for a one-byte text,
    // the rare byte itself).
    ptrdiff_t pairOffset_;
    unsigned char pairByte_, pairOther_;
    // The wide loads reach from q - first_ (the byte before, or the pair byte before) to beyond_
    // bytes after a block; cases_: a byte of the two has another case to look for.
    size_t first_ = 1, beyond_ = 1;
    bool cases_ = false;
    std::array<bool, 256> before_{}; // raw bytes that are, folded with fold, a byte of the text but its last
    alignas(16) std::array<uint8_t, 16> lowBits_{}, highBits_{}; // before_ by the bytes' halves
};

// PagePrefilter(needle, m, fold, rare).MayHold(page, n); false for m == 0.
bool MayHold(const unsigned char* page, size_t n, bool fold, const unsigned char* needle, size_t m,
             size_t rare);

// Tests use this to run the 32-byte or the 16-byte pass where the processor would take a wider one:
// the widest block in bytes (64, 32 or 16) the quick look may use; returns the previous setting.
size_t UseScanWidth(size_t widest);

} // namespace tavrin::search
