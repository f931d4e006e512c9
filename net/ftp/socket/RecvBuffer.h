#pragma once
// The receive buffer of a socket: appended at the back, taken from the front. A read offset
// stands in for moving the rest forward on every line, so reading a large listing line by line
// costs linear time; the front is dropped only once it outweighs what is left.

#include <cstddef>
#include <string>
#include <string_view>

namespace ftpsock {

class RecvBuffer {
public:
    std::size_t size() const { return data_.size() - start_; }
    bool empty() const { return size() == 0; }
    std::string_view view() const { return std::string_view(data_).substr(start_); }

    // Room for `n` bytes at the back; commit() then keeps the bytes actually written.
    char* space(std::size_t n);
    void commit(std::size_t n);
    void append(std::string_view bytes);

    // Offset (from the first unread byte) of the first LF, or npos. Bytes already searched
    // are not searched again when more arrive.
    std::size_t findLf();
    bool holdsLine() const;

    // The first `n` unread bytes (fewer when fewer are held); the rest stays.
    std::string take(std::size_t n);
    std::string takeAll();
    void clear();

private:
    void dropFront();

    std::string data_;
    std::size_t start_ = 0;    // first unread byte
    std::size_t scanned_ = 0;  // bytes before this index hold no LF
    std::size_t tail_ = 0;     // where space() began
};

}  // namespace ftpsock
