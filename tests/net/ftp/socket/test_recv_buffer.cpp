// The receive buffer keeps bytes in order while lines are taken from its front.

#include "net/ftp/socket/RecvBuffer.h"

#include <gtest/gtest.h>

using ftpsock::RecvBuffer;

TEST(FtpSockRecvBuffer, ManyLinesComeOutInOrderAcrossPieceBoundaries)
{
    // A large listing arriving in pieces that split lines anywhere.
    std::string listing;
    for (int i = 0; i < 50000; ++i) listing += "-rw-r--r-- 1 ftp ftp " + std::to_string(i) + " file\r\n";
    RecvBuffer buffer;
    std::size_t fed = 0;
    std::string out;
    int lines = 0;
    while (fed < listing.size() || !buffer.empty()) {
        const std::size_t piece = std::min<std::size_t>(16383, listing.size() - fed);
        char* dst = buffer.space(16383);
        std::copy_n(listing.data() + fed, piece, dst);
        buffer.commit(piece);
        fed += piece;
        for (std::size_t lf; (lf = buffer.findLf()) != std::string::npos;) {
            out += buffer.take(lf + 1);
            ++lines;
        }
        if (fed == listing.size()) out += buffer.takeAll();
    }
    EXPECT_EQ(lines, 50000);
    EXPECT_TRUE(out == listing);
    EXPECT_TRUE(buffer.empty());
}

TEST(FtpSockRecvBuffer, TakeAndLineSearchSeeOnlyUnreadBytes)
{
    RecvBuffer buffer;
    buffer.append("ab\ncd");
    EXPECT_TRUE(buffer.holdsLine());
    EXPECT_EQ(buffer.take(3), "ab\n");
    EXPECT_FALSE(buffer.holdsLine());
    EXPECT_EQ(buffer.findLf(), std::string::npos);
    buffer.append("e\n");
    EXPECT_EQ(buffer.findLf(), 3u);
    EXPECT_EQ(buffer.take(100), "cde\n");
    EXPECT_TRUE(buffer.empty());
}
