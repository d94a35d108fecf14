// Large short-lived buffers (a load's read buffer, its cover entries) in memory
// mapped for them alone. The kernel is asked for huge pages there: on this
// program's virtual machines each 4 KiB page fault is an exit to the hypervisor,
// and a fresh table's tens of megabytes cost thousands. Growth moves the pages
// (mremap) instead of copying them. The memory goes back to the system when the
// array is destroyed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <type_traits>
#include <utility>

namespace tamsel {

namespace pages {
// At least bytes of zeroed memory; throws std::bad_alloc.
void* map(std::size_t bytes);
// The same memory at bytes (larger), its content kept, maybe elsewhere.
void* grow(void* p, std::size_t oldBytes, std::size_t bytes);
void unmap(void* p, std::size_t bytes) noexcept;
// The size a mapping of at least bytes gets (whole huge pages above one).
std::size_t roundUp(std::size_t bytes);
}  // namespace pages

// A growing array of trivially copyable values, as std::vector without its
// element-wise copy on growth.
template <typename T>
class PageArray {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    PageArray() = default;
    explicit PageArray(std::size_t capacity) { reserve(capacity); }
    ~PageArray() { release(); }
    PageArray(PageArray&& o) noexcept
        : data_(std::exchange(o.data_, nullptr)),
          size_(std::exchange(o.size_, 0)),
          capacity_(std::exchange(o.capacity_, 0)) {}
    PageArray& operator=(PageArray&& o) noexcept {
        if (this != &o) {
            release();
            data_ = std::exchange(o.data_, nullptr);
            size_ = std::exchange(o.size_, 0);
            capacity_ = std::exchange(o.capacity_, 0);
        }
        return *this;
    }

    void push_back(const T& v) {
        if (size_ == capacity_) reserve(size_ + 1);
        data_[size_++] = v;
    }
    // Shrinks, or grows; values never held before are zero bytes, and values
    // held before a shrink or clear come back as they were.
    void resize(std::size_t n) {
        reserve(n);
        size_ = n;
    }
    void clear() { size_ = 0; }
    void reserve(std::size_t n) {
        if (n <= capacity_) return;
        const std::size_t bytes = pages::roundUp(std::max(n, 2 * capacity_) * sizeof(T));
        data_ = static_cast<T*>(data_ ? pages::grow(data_, capacity_ * sizeof(T), bytes)
                                      : pages::map(bytes));
        capacity_ = bytes / sizeof(T);
    }
    // Gives the memory back to the system.
    void release() noexcept {
        if (data_) pages::unmap(data_, capacity_ * sizeof(T));
        data_ = nullptr;
        size_ = capacity_ = 0;
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t k) { return data_[k]; }
    const T& operator[](std::size_t k) const { return data_[k]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    std::span<const T> span() const { return {data_, size_}; }

  private:
    T* data_ = nullptr;
    std::size_t size_ = 0, capacity_ = 0;
};

}  // namespace tamsel
