// Global memory as the platform hands it out for dropped data: GMEM_FIXED blocks whose handle is
// the memory itself, and GMEM_MOVEABLE blocks locked and unlocked by handle with a lock count.
#include "plat/drop.h"

#include <cstring>
#include <map>
#include <memory>
#include <new>

#ifndef ERROR_NOT_LOCKED
#define ERROR_NOT_LOCKED 158L
#endif

namespace {

struct Block {
    std::unique_ptr<unsigned char[]> data;
    SIZE_T size = 0;
    bool moveable = false;
    unsigned locks = 0;
};

struct Heap {
    std::map<HGLOBAL, Block> blocks;
    uintptr_t nextHandle = 0x00C00010; // handles of moveable blocks: never a valid pointer to memory
};

Heap& TheHeap() {
    static Heap heap;
    return heap;
}

Block* Find(HGLOBAL h) {
    auto it = TheHeap().blocks.find(h);
    if (it == TheHeap().blocks.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &it->second;
}

} // namespace

namespace plat {
size_t GlobalBlockCount() {
    return TheHeap().blocks.size();
}
} // namespace plat

extern "C" {

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    Block block;
    // A zero-byte block still gets memory of its own so that its handle is unique.
    block.data.reset(new (std::nothrow) unsigned char[dwBytes ? dwBytes : 1]);
    if (!block.data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (uFlags & GMEM_ZEROINIT) std::memset(block.data.get(), 0, dwBytes ? dwBytes : 1);
    block.size = dwBytes;
    block.moveable = (uFlags & GMEM_MOVEABLE) != 0;
    HGLOBAL handle;
    if (block.moveable) {
        handle = reinterpret_cast<HGLOBAL>(TheHeap().nextHandle);
        TheHeap().nextHandle += 8;
    } else {
        handle = block.data.get();
    }
    TheHeap().blocks.emplace(handle, std::move(block));
    return handle;
}

LPVOID GlobalLock(HGLOBAL hMem) {
    Block* block = Find(hMem);
    if (!block) return nullptr;
    if (block->moveable) ++block->locks;
    return block->data.get();
}

BOOL GlobalUnlock(HGLOBAL hMem) {
    Block* block = Find(hMem);
    if (!block) return FALSE;
    if (!block->moveable || block->locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->locks == 0) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
    if (!Find(hMem)) return hMem;
    TheHeap().blocks.erase(hMem);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
    Block* block = Find(hMem);
    return block ? block->size : 0;
}

} // extern "C"
