#include "support/dict_maker.h"

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrin::dict::test {

namespace {

void Le16(std::string& out, size_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Le32(std::string& out, uint32_t v) {
    Le16(out, v & 0xFFFF);
    Le16(out, v >> 16);
}

// Deflates `text` into `out`, flushing whole at the end (Z_FULL_FLUSH) or finishing the stream.
void Deflate(z_stream& z, std::string_view text, int flush, std::string& out) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    char buffer[16384];
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        deflate(&z, flush);
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
}

} // namespace

std::string Base64(uint64_t value) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value & 63]);
        value >>= 6;
    } while (value);
    return digits;
}

std::string MakeDictzip(std::string_view text, size_t chunkLength, std::string_view extraBefore) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string data;
    std::vector<size_t> sizes;
    for (size_t at = 0; at < text.size(); at += chunkLength) {
        const size_t before = data.size();
        Deflate(z, text.substr(at, chunkLength), at + chunkLength >= text.size() ? Z_FINISH : Z_FULL_FLUSH,
                data);
        sizes.push_back(data.size() - before);
    }
    deflateEnd(&z);

    std::string table;
    Le16(table, 1);
    Le16(table, chunkLength);
    Le16(table, sizes.size());
    for (size_t s : sizes)
        Le16(table, s);
    std::string extra(extraBefore);
    extra += "RA";
    Le16(extra, table.size());
    extra += table;

    std::string file = {'\x1f', '\x8b', '\x08', '\x04', 0, 0, 0, 0, '\x02', '\x03'};
    Le16(file, extra.size());
    file += extra;
    file += data;
    Le32(file, static_cast<uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()))));
    Le32(file, static_cast<uint32_t>(text.size()));
    return file;
}

std::string MakeGzip(std::string_view text) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out;
    Deflate(z, text, Z_FINISH, out);
    deflateEnd(&z);
    return out;
}

std::filesystem::path WriteDictionary(const std::filesystem::path& dir, const std::string& name,
                                      const std::vector<Entry>& entries, size_t chunkLength) {
    std::string index, text;
    for (const Entry& e : entries) {
        index += e.headword + "\t" + Base64(text.size()) + "\t" + Base64(e.definition.size()) + "\n";
        text += e.definition;
    }
    const std::filesystem::path stem = dir / name;
    WriteFile(stem.string() + ".index", index);
    if (chunkLength > 0)
        WriteFile(stem.string() + ".dict.dz", MakeDictzip(text, chunkLength));
    else
        WriteFile(stem.string() + ".dict", text);
    return stem.string() + ".index";
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace tavrin::dict::test
