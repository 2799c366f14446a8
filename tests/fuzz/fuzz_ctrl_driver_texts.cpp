// Fuzz target for the shelf control's readers of what a driver writes into its buffers: the book number
// (FormBookNo, with any length the driver reports and any bytes it writes, or a serial), book names at
// the sizes and capacities the control uses, contents-entry texts, the reasons a driver gives for a
// refusal, and the class name and key of an e-book store. A small fake driver table serves every call
// from the input (no library is loaded); it writes its texts raw, as a careless driver would: without a
// terminator, as many bytes as the capacity allows. Every text the control keeps must end within its
// buffer and be what the driver wrote, up to its first zero, cut to the capacity.
//
// Input: byte 0 = bit 0: the driver has the extended book number (else only CBIBookSerial); bytes 1-4 =
// the length CBIExBookNoLength reports, or the serial (little-endian); then six fields, each a 2-byte
// little-endian length and that many bytes: the number's bytes, the book name, the contents-entry text,
// the reason, the class name, the class key. A field cut short by the end of the input is shorter.
#include "registry/add_refusal.h"
#include "registry/book_registry.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

struct Script {
    int32_t reported = 0; // CBIExBookNoLength's answer, or the serial
    std::string_view number, name, item, reason, className, classKey;
};
Script g_script;

// Writes `text` into a driver's output of `capacity` bytes: at most that many, no terminator added.
int WriteRaw(std::string_view text, char* buffer, int capacity) {
    Check(buffer != nullptr && capacity > 0);
    size_t n = std::min(text.size(), static_cast<size_t>(capacity));
    if (n > 0) std::memcpy(buffer, text.data(), n); // an empty view may have no data
    return static_cast<int>(n);
}

int ExBookNoLength(CBI_HBOOK) {
    return g_script.reported;
}
int ExBookNo(CBI_HBOOK, char* buffer, int length) {
    // The interface: exactly `length` bytes into the 256-byte buffer; the control must never ask for more.
    Check(length > 0 && static_cast<size_t>(length) < CBI_BOOKNO_BUFFER);
    std::memset(buffer, 'x', static_cast<size_t>(length));
    WriteRaw(g_script.number, buffer, length);
    return 1;
}
int BookSerial(CBI_HBOOK, uint32_t* serial) {
    *serial = static_cast<uint32_t>(g_script.reported);
    return 1;
}
int GetBkName(CBI_HBOOK, int, char* buffer, int capacity) {
    return WriteRaw(g_script.name, buffer, capacity);
}
int GetItemText(CBI_HBOOK, CBI_HITEM, char* buffer, int capacity) {
    Check(capacity <= CBI_ITEM_TEXT_CAPACITY);
    return WriteRaw(g_script.item, buffer, capacity);
}
int GetErrorText(char* buffer, int capacity) {
    Check(capacity <= CBI_ERROR_TEXT_CAPACITY);
    return WriteRaw(g_script.reason, buffer, capacity);
}
int GetClassAttr(int, char* name, char* key, uint16_t* bookCount) {
    WriteRaw(g_script.className, name, CBI_CLASS_NAME_SIZE);
    WriteRaw(g_script.classKey, key, CBI_CLASS_KEY_SIZE);
    *bookCount = 1;
    return 1;
}

// What a reader must have kept of `written` in a buffer of `size` bytes given `capacity`.
std::string Expected(std::string_view written, size_t size, size_t capacity) {
    size_t n = std::min({written.size(), capacity, size - 1});
    std::string_view kept = written.substr(0, n);
    return std::string(kept.substr(0, kept.find('\0')));
}

// The text in a fixed buffer: it must end within it.
std::string Kept(const char* buffer, size_t size) {
    const void* zero = std::memchr(buffer, 0, size);
    Check(zero != nullptr);
    return std::string(buffer, static_cast<const char*>(zero) - buffer);
}

std::string_view Field(const uint8_t*& data, size_t& size) {
    if (size < 2) {
        size = 0;
        return {};
    }
    size_t n = data[0] | static_cast<size_t>(data[1]) << 8;
    data += 2;
    size -= 2;
    n = std::min(n, size);
    std::string_view field(reinterpret_cast<const char*>(data), n);
    data += n;
    size -= n;
    return field;
}

void CheckBookNumber(bool extended) {
    g_cbi = CbiTable{};
    g_cbi.CBIBookSerial = &BookSerial;
    if (extended) {
        g_cbi.CBIExBookNoLength = &ExBookNoLength;
        g_cbi.CBIExBookNo = &ExBookNo;
    }
    char number[tavrin::kBookNoSize];
    std::memset(number, 0x5A, sizeof number);
    tavrin::FormBookNo(0x100, number);
    std::string kept = Kept(number, sizeof number);
    if (!extended) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(g_script.reported));
        Check(kept == hex);
    } else if (g_script.reported <= 0 || g_script.reported >= static_cast<int32_t>(tavrin::kBookNoSize)) {
        Check(kept.empty()); // refused, not cut
    } else {
        std::string written(static_cast<size_t>(g_script.reported), 'x');
        if (!g_script.number.empty())
            std::memcpy(written.data(), g_script.number.data(),
                        std::min(g_script.number.size(), written.size()));
        Check(kept == written.substr(0, written.find('\0')));
    }
}

void CheckTexts() {
    g_cbi = CbiTable{};
    g_cbi.CBIGetBkName = &GetBkName;
    g_cbi.CBIVPGetItemText = &GetItemText;
    g_cbi.CBIGetErrorText = &GetErrorText;
    g_cbi.CBIShelfGetClassAttr = &GetClassAttr;

    // Book names at the sizes and capacities of the control's callers.
    const std::pair<size_t, int> nameBuffers[] = {{256, 255}, {260, 260}, {256, 256}};
    for (auto [size, capacity] : nameBuffers) {
        char name[260];
        tavrin::ReadBookName(0x100, name, size, capacity);
        Check(Kept(name, size) == Expected(g_script.name, size, static_cast<size_t>(capacity)));
    }
    for (size_t size : {size_t{CBI_ITEM_TEXT_CAPACITY}, tavrin::kNameSize}) {
        char item[tavrin::kNameSize];
        tavrin::ReadItemText(0x100, 1, item, size);
        Check(Kept(item, size) == Expected(g_script.item, size, CBI_ITEM_TEXT_CAPACITY));
    }
    char reason[CBI_ERROR_TEXT_CAPACITY];
    size_t length = tavrin::ReadErrorText(reason, sizeof reason);
    Check(Kept(reason, sizeof reason) == Expected(g_script.reason, sizeof reason, sizeof reason));
    Check(length == std::strlen(reason));

    // The reason as the register command keeps it, after the driver's name.
    tavrin::ForgetRefusal();
    tavrin::NoteDriverRefusal("picky.dll");
    const std::string& kept = tavrin::LastRefusal().driverReason;
    Check(kept.empty() == (length == 0));
    Check(kept.empty() || kept == "picky.dll: " + std::string(reason));

    tavrin::StoreClassAttr attr;
    Check(attr.Read(0));
    Check(Kept(attr.name, sizeof attr.name) ==
          Expected(g_script.className, sizeof attr.name, CBI_CLASS_NAME_SIZE));
    Check(Kept(attr.key, sizeof attr.key) ==
          Expected(g_script.classKey, sizeof attr.key, CBI_CLASS_KEY_SIZE));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const bool extended = (data[0] & 1) != 0;
    uint32_t reported = data[1] | static_cast<uint32_t>(data[2]) << 8 | static_cast<uint32_t>(data[3]) << 16 |
                        static_cast<uint32_t>(data[4]) << 24;
    g_script = Script{};
    g_script.reported = static_cast<int32_t>(reported);
    data += 5;
    size -= 5;
    g_script.number = Field(data, size);
    g_script.name = Field(data, size);
    g_script.item = Field(data, size);
    g_script.reason = Field(data, size);
    g_script.className = Field(data, size);
    g_script.classKey = Field(data, size);

    CheckBookNumber(extended);
    CheckTexts();
    g_cbi = CbiTable{};
    return 0;
}
