// Definitions read through the dictzip chunk table: reads across chunks, the chunk cache, and tables
// that lie about the file.
#include "dict/definitions.h"
#include "dict/dictzip.h"

#include "common/temp_folder.h"
#include "support/dict_maker.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavrin::dict {
namespace {

using test::MakeDictzip;

std::string Text(size_t n) {
    std::string text;
    for (size_t i = 0; text.size() < n; ++i)
        text += "line " + std::to_string(i * 7919 % 100003) + " of the definitions\n";
    text.resize(n);
    return text;
}

struct Opened {
    std::unique_ptr<Definitions> definitions;
    std::string error;
};

Opened OpenBytes(const std::string& name, const std::string& bytes) {
    const testfs::TempFolder folder; // the definitions keep the file open
    Opened o;
    o.definitions = OpenDefinitions(folder.Write(name, bytes), &o.error);
    return o;
}

TEST(Dictzip, ReadsAnyRangeAsThePlainText) {
    const std::string text = Text(10000);
    for (const std::string& extra : {std::string(), std::string("XY\x02\x00zz", 6)}) {
        Opened o = OpenBytes("text.dict.dz", MakeDictzip(text, 1000, extra));
        ASSERT_TRUE(o.definitions) << o.error;
        EXPECT_EQ(o.definitions->Size(), text.size());
        // Within a chunk, across one boundary, across several, to the very end, and empty.
        for (auto [offset, length] : {std::pair<uint64_t, uint32_t>{0, 10},
                                      {995, 10},
                                      {1500, 4000},
                                      {9990, 10},
                                      {10000, 0},
                                      {0, 10000}}) {
            std::string out = "keep:";
            std::string error;
            ASSERT_TRUE(o.definitions->Read(offset, length, out, &error)) << error;
            EXPECT_EQ(out, "keep:" + text.substr(offset, length)) << offset << "+" << length;
        }
        std::string out, error;
        EXPECT_FALSE(o.definitions->Read(9995, 6, out, &error));
        EXPECT_NE(error.find("past the end"), std::string::npos);
    }
}

TEST(Dictzip, TheLastChunkMayBeShortAndTheSizeComesFromTheTrailer) {
    const std::string text = Text(2001);
    Opened o = OpenBytes("short-last.dict.dz", MakeDictzip(text, 1000));
    ASSERT_TRUE(o.definitions) << o.error;
    EXPECT_EQ(o.definitions->Size(), 2001u);
    std::string out;
    ASSERT_TRUE(o.definitions->Read(1999, 2, out, nullptr));
    EXPECT_EQ(out, text.substr(1999, 2));
}

// Offsets into the made file: the chunk table's sizes start at 10 + 2 (XLEN) + 4 (RA, length) + 6.
constexpr size_t kFirstSize = 22;

TEST(Dictzip, ATableThatLiesAboutTheFileIsRefusedWhenOpened) {
    const std::string good = MakeDictzip(Text(5000), 1000);
    std::string pastEnd = good; // the first chunk said to be far longer than the file
    pastEnd[kFirstSize] = '\xFF';
    pastEnd[kFirstSize + 1] = '\x7F';
    Opened o = OpenBytes("past-end.dict.dz", pastEnd);
    EXPECT_FALSE(o.definitions);
    EXPECT_NE(o.error.find("past the end of the file"), std::string::npos) << o.error;

    std::string wrongCount = good; // the trailer's size does not fit the number of chunks
    wrongCount[wrongCount.size() - 4] = '\x10';
    wrongCount[wrongCount.size() - 3] = '\x00';
    o = OpenBytes("wrong-count.dict.dz", wrongCount);
    EXPECT_FALSE(o.definitions);
    EXPECT_NE(o.error.find("does not agree"), std::string::npos) << o.error;

    std::string zeroChunk = good;
    zeroChunk[kFirstSize] = zeroChunk[kFirstSize + 1] = '\0';
    o = OpenBytes("zero-chunk.dict.dz", zeroChunk);
    EXPECT_FALSE(o.definitions);

    o = OpenBytes("cut.dict.dz", good.substr(0, 30)); // cut inside the chunk data
    EXPECT_FALSE(o.definitions);

    std::string extraPast = good; // the extra field says it is longer than the header holds
    extraPast[10] = '\xFF';
    extraPast[11] = '\xFF';
    o = OpenBytes("extra-past.dict.dz", extraPast);
    EXPECT_FALSE(o.definitions);
}

TEST(Dictzip, ADamagedChunkFailsOnlyTheReadsThatNeedIt) {
    const std::string text = Text(5000);
    std::string file = MakeDictzip(text, 1000);
    // The third chunk's compressed bytes scrambled: chunk starts are after the header's 32 bytes.
    const size_t header = 10 + 2 + 4 + 6 + 2 * 5;
    size_t third = header;
    for (int i = 0; i < 2; ++i)
        third += static_cast<uint8_t>(file[kFirstSize + 2 * i]) |
                 static_cast<uint8_t>(file[kFirstSize + 2 * i + 1]) << 8;
    for (size_t i = 0; i < 8; ++i)
        file[third + i] = static_cast<char>(~file[third + i]);
    Opened o = OpenBytes("damaged.dict.dz", file);
    ASSERT_TRUE(o.definitions) << o.error;
    std::string out, error;
    EXPECT_TRUE(o.definitions->Read(100, 800, out, &error)) << error;
    EXPECT_FALSE(o.definitions->Read(2100, 10, out, &error));
    EXPECT_NE(error.find("chunk 2"), std::string::npos) << error;
    out.clear();
    EXPECT_TRUE(o.definitions->Read(4000, 500, out, &error)) << error;
    EXPECT_EQ(out, text.substr(4000, 500));
}

TEST(Dictzip, AGzipFileWithoutAChunkTableIsReadWholeWhenSmall) {
    const std::string text = Text(3000);
    Opened o = OpenBytes("plain-gzip.dict.dz", test::MakeGzip(text));
    ASSERT_TRUE(o.definitions) << o.error;
    std::string out;
    ASSERT_TRUE(o.definitions->Read(1234, 100, out, nullptr));
    EXPECT_EQ(out, text.substr(1234, 100));

    Opened cut = OpenBytes("cut-gzip.dict.dz", test::MakeGzip(text).substr(0, 40) + std::string(8, '\0'));
    EXPECT_FALSE(cut.definitions);
    EXPECT_NE(cut.error.find("damaged or cut short"), std::string::npos) << cut.error;
}

TEST(Dictzip, APlainFileIsReadWhereItLies) {
    Opened o = OpenBytes("plain.dict", "hello\nworld\n");
    ASSERT_TRUE(o.definitions) << o.error;
    std::string out;
    ASSERT_TRUE(o.definitions->Read(6, 5, out, nullptr));
    EXPECT_EQ(out, "world");
    EXPECT_FALSE(o.definitions->Read(8, 5, out, nullptr));
}

// A chunk reader of the dictzip file `file`, as the definitions make one.
std::unique_ptr<DictzipReader> ChunkReader(const std::string& file) {
    const uint32_t sizeModulo =
        static_cast<uint8_t>(file[file.size() - 4]) | static_cast<uint8_t>(file[file.size() - 3]) << 8;
    auto layout = ParseDictzipHeader({reinterpret_cast<const uint8_t*>(file.data()), file.size()},
                                     file.size(), sizeModulo, nullptr);
    EXPECT_TRUE(layout);
    if (!layout) return nullptr;
    const testfs::TempFolder folder; // the reader keeps the file open
    return std::make_unique<DictzipReader>(::open(folder.Write("text.dict.dz", file).c_str(), O_RDONLY),
                                           *layout);
}

// A search reads the pages in headword order, which jumps about the file: while the whole text is read
// each chunk is inflated once; a reader's single pages keep only a few chunks.
TEST(Dictzip, WhileTheWholeTextIsReadEachChunkIsInflatedOnce) {
    const std::string text = Text(40 * 1000);
    const auto chunks = ChunkReader(test::MakeDictzip(text, 1000));
    ASSERT_TRUE(chunks);
    DictzipReader& reader = *chunks;
    auto readJumping = [&] {
        for (int round = 0; round < 5; ++round)
            for (uint64_t c = 0; c < 20; ++c)
                for (uint64_t chunk : {c, c + 20}) {
                    std::string out;
                    ASSERT_TRUE(reader.Read(chunk * 1000 + 10, 20, out, nullptr));
                    ASSERT_EQ(out, text.substr(chunk * 1000 + 10, 20));
                }
    };
    reader.ReadingAll(true);
    readJumping();
    EXPECT_EQ(reader.Inflations(), 40u);
    EXPECT_EQ(reader.CachedChunks(), 40u);
    reader.ReadingAll(false);
    EXPECT_LE(reader.CachedChunks(), kNarrowChunks);
    readJumping();
    EXPECT_GT(reader.Inflations(), 40u + 100u);
}

// The search's thread reads with the whole text in view while the reader's thread looks words up,
// which lets the inflated chunks go; neither read goes wrong, and no thread is left behind.
TEST(Dictzip, ASearchAndLookUpsOnTwoThreadsReadTheSameText) {
    const std::string text = Text(64 * 1000);
    const auto chunks = ChunkReader(test::MakeDictzip(text, 1000));
    ASSERT_TRUE(chunks);
    DictzipReader& reader = *chunks;
    std::atomic<int> wrong{0};
    std::thread search([&] {
        for (int round = 0; round < 20; ++round) {
            reader.ReadingAll(true);
            for (uint64_t at = 0; at + 700 <= text.size(); at += 3001) {
                std::string out;
                if (!reader.Read(at, 700, out, nullptr) || out != text.substr(at, 700)) ++wrong;
            }
        }
    });
    for (int i = 0; i < 200; ++i) {
        reader.ReadingAll(false);
        std::string out;
        const uint64_t at = static_cast<uint64_t>(i) * 311 % (text.size() - 50);
        if (!reader.Read(at, 50, out, nullptr) || out != text.substr(at, 50)) ++wrong;
    }
    search.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
} // namespace tavrin::dict
