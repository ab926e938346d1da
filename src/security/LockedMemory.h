#pragma once
// Crypto++'s secure blocks, and whole objects, on the platform layer's locked
// arena (LockedArena): kept out of swap where the system allows, left out of
// core dumps, wiped when freed. Every copy of a key or a password lives in
// one of these; a failed allocation throws std::bad_alloc, as Crypto++'s own
// allocator does (CryptoGuarded turns it into E_OUTOFMEMORY).

#include "platform/LockedArena.h"

#include <cryptopp/secblock.h>

#include <cstddef>
#include <new>
#include <utility>

namespace nbr {

// The allocator of a SecBlock whose storage is in the arena.
template <class T>
class LockedAllocator : public CryptoPP::AllocatorBase<T> {
public:
    using value_type = T;
    using size_type = std::size_t;
    using pointer = T*;

    static_assert(alignof(T) <= LockedArena::kAlignment);

    pointer allocate(size_type count, const void* = nullptr)
    {
        this->CheckSize(count);
        if (count == 0)
            return nullptr;
        void* block = LockedArena::Allocate(count * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<pointer>(block);
    }
    // The arena wipes the whole block, whatever part the SecBlock marked.
    void deallocate(void* block, size_type) { LockedArena::Free(block); }
    pointer reallocate(T* old, size_type oldCount, size_type newCount, bool preserve)
    {
        return CryptoPP::StandardReallocate(*this, old, oldCount, newCount, preserve);
    }
    template <class U>
    struct rebind {
        using other = LockedAllocator<U>;
    };
};

// CryptoPP::SecByteBlock in locked memory.
using LockedByteBlock = CryptoPP::SecBlock<CryptoPP::byte, LockedAllocator<CryptoPP::byte>>;

// One object of type T built in the arena: a hash whose buffer takes a key,
// say. The object is destroyed (its own wipes run) before its storage is
// wiped and freed.
template <class T>
class Locked {
public:
    static_assert(alignof(T) <= LockedArena::kAlignment);

    template <class... Args>
    explicit Locked(Args&&... args)
    {
        void* storage = LockedArena::Allocate(sizeof(T));
        if (!storage)
            throw std::bad_alloc();
        try {
            object_ = new (storage) T(std::forward<Args>(args)...);
        } catch (...) {
            LockedArena::Free(storage);
            throw;
        }
    }
    ~Locked()
    {
        object_->~T();
        LockedArena::Free(object_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    T& operator*() const { return *object_; }
    T* operator->() const { return object_; }
    [[nodiscard]] T* get() const { return object_; }

private:
    T* object_ = nullptr;
};

}  // namespace nbr
