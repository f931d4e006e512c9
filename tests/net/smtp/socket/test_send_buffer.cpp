#include "net/smtp/socket/SendBuffer.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string unread(const TBuffer& b)
{
    const char* p = nullptr;
    const int n = b.Peek(p);
    return n > 0 ? std::string(p, static_cast<std::size_t>(n)) : std::string();
}

TEST(SendBuffer, SizeZeroOrLessGivesAFrame)
{
    for (int size : {0, -5}) EXPECT_EQ(TBuffer(size).BufSize(), 1514) << size;
    EXPECT_EQ(TBuffer(10).BufSize(), 10);
}

TEST(SendBuffer, WriteStopsAtTheRoomAndRemoveResetsWhenEmpty)
{
    TBuffer b(8);
    EXPECT_EQ(b.Write("abcdef", 6), 6);
    EXPECT_EQ(b.Write("ghijk", 5), 2);  // only the free room
    EXPECT_EQ(b.Write("x", 1), 0);      // full
    EXPECT_EQ(unread(b), "abcdefgh");
    EXPECT_EQ(b.Remove(3), 3);
    EXPECT_EQ(unread(b), "defgh");
    EXPECT_EQ(b.Remove(100), 5);  // at most what is unread
    EXPECT_EQ(b.WrCount(), 0);
    EXPECT_EQ(b.RdCount(), 0);
    const char* p = nullptr;
    EXPECT_EQ(b.Peek(p), 0);
    EXPECT_EQ(b.Write("12345678", 8), 8);  // the room is back
}

TEST(SendBuffer, ResizingKeepsTheUnreadBytes)
{
    TBuffer b(8);
    b.Write("abcdefgh", 8);
    b.Remove(2);
    b.SetBufSize(16);
    EXPECT_EQ(unread(b), "cdefgh");
    EXPECT_EQ(b.Write("ij", 2), 2);
    EXPECT_EQ(unread(b), "cdefghij");
    b.SetBufSize(3);  // never below what is queued
    EXPECT_EQ(unread(b), "cdefghij");
}

TEST(SendBuffer, FiveThousandBytesMakeFourBlocksInOrder)
{
    std::string data(5000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
    TSendQueue q;
    q.Append(data.data(), 1000);
    q.Append(data.data() + 1000, 4000);  // continues the last block
    EXPECT_EQ(q.BlockCount(), 4);
    EXPECT_EQ(q.UnreadBytes(), 5000);

    std::string out;
    for (;;) {
        TBuffer* b = q.Front();
        ASSERT_NE(b, nullptr);
        const std::string piece = unread(*b);
        if (piece.empty()) {
            if (q.DropEmptyFront()) continue;
            break;
        }
        out += piece;
        b->Remove(static_cast<int>(piece.size()));
    }
    EXPECT_EQ(out, data);
    EXPECT_EQ(q.BlockCount(), 1);  // the last block stays for reuse
    EXPECT_FALSE(q.HasUnread());
}

}  // namespace
