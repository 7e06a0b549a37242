// The names of the tree's entries: a large tree holds two per entry, and nearly all of them
// are short enough to lie in the entry itself.
#pragma once
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace scrivo {

// A string of 24 bytes: up to 22 bytes in place, longer ones on the heap. Reads as a
// std::string_view; NUL-terminated like a std::string.
class TEntryName {
  public:
    TEntryName() { Clear(); }
    TEntryName(std::string_view s) { Set(s); }
    TEntryName(const std::string& s) { Set(s); }
    TEntryName(const char* s) { Set(s); }
    TEntryName(const TEntryName& o) { Set(o.View()); }
    TEntryName(TEntryName&& o) noexcept {
        std::memcpy(bytes_, o.bytes_, sizeof bytes_);
        o.Clear();
    }
    ~TEntryName() { Free(); }

    TEntryName& operator=(const TEntryName& o) {
        return o.View().data() == data() ? *this : Assign(o.View());
    }
    TEntryName& operator=(TEntryName&& o) noexcept {
        if (this != &o) {
            Free();
            std::memcpy(bytes_, o.bytes_, sizeof bytes_);
            o.Clear();
        }
        return *this;
    }
    TEntryName& operator=(std::string_view s) { return Assign(s); }
    TEntryName& operator=(const std::string& s) { return Assign(s); }
    TEntryName& operator=(const char* s) { return Assign(s); }

    const char* data() const { return OnHeap() ? HeapPtr() : bytes_; }
    const char* c_str() const { return data(); }
    size_t size() const { return OnHeap() ? HeapSize() : static_cast<size_t>(bytes_[LengthByte]); }
    bool empty() const { return size() == 0; }
    char back() const { return data()[size() - 1]; }
    std::string_view View() const { return {data(), size()}; }
    operator std::string_view() const { return View(); }
    operator std::string() const { return std::string(View()); }

    friend bool operator==(const TEntryName& a, const TEntryName& b) { return a.View() == b.View(); }
    friend bool operator==(const TEntryName& a, std::string_view b) { return a.View() == b; }
    friend bool operator==(const TEntryName& a, const std::string& b) { return a.View() == b; }
    friend bool operator==(const TEntryName& a, const char* b) { return a.View() == b; }
    friend auto operator<=>(const TEntryName& a, const TEntryName& b) { return a.View() <=> b.View(); }
    friend std::string operator+(const TEntryName& a, std::string_view b) {
        return std::string(a.View()).append(b);
    }
    friend std::string operator+(const TEntryName& a, const char* b) {
        return std::string(a.View()).append(b);
    }
    friend std::string operator+(const std::string& a, const TEntryName& b) {
        return std::string(a).append(b.View());
    }
    friend std::string operator+(std::string&& a, const TEntryName& b) {
        return std::move(a.append(b.View()));
    }
    friend std::string operator+(const char* a, const TEntryName& b) {
        return std::string(a).append(b.View());
    }
    friend std::ostream& operator<<(std::ostream& o, const TEntryName& n) { return o << n.View(); }

  private:
    static constexpr size_t LengthByte = 23; // in place: the length; 0xFF: on the heap
    static constexpr size_t MaxInPlace = 22;
    static constexpr char HeapTag = char(0xFF);

    bool OnHeap() const { return bytes_[LengthByte] == HeapTag; }
    const char* HeapPtr() const {
        const char* p;
        std::memcpy(&p, bytes_, sizeof p);
        return p;
    }
    size_t HeapSize() const {
        size_t n;
        std::memcpy(&n, bytes_ + sizeof(char*), sizeof n);
        return n;
    }
    void Clear() {
        bytes_[0] = '\0';
        bytes_[LengthByte] = 0;
    }
    void Free() {
        if (OnHeap()) delete[] HeapPtr();
        Clear();
    }
    void Set(std::string_view s) {
        if (s.size() <= MaxInPlace) {
            std::memcpy(bytes_, s.data(), s.size());
            bytes_[s.size()] = '\0';
            bytes_[LengthByte] = static_cast<char>(s.size());
            return;
        }
        char* p = new char[s.size() + 1];
        std::memcpy(p, s.data(), s.size());
        p[s.size()] = '\0';
        const size_t n = s.size();
        std::memcpy(bytes_, &p, sizeof p);
        std::memcpy(bytes_ + sizeof p, &n, sizeof n);
        bytes_[LengthByte] = HeapTag;
    }
    TEntryName& Assign(std::string_view s) {
        // `s` may view this name itself.
        TEntryName copy(s);
        return *this = std::move(copy);
    }

    char bytes_[24];
};

} // namespace scrivo
