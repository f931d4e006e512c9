// ASCII-type line ends: the wire's CR LF written as LF, and LF sent as CR LF, however the bytes
// are cut into pieces on the way.

#include "SockConnected.h"

#include "net/ftp/socket/FileStreams.h"
#include "net/ftp/socket/LineEnds.h"
#include "net/ftp/socket/SockBase.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace socktest;
using Pieces = std::vector<std::string>;

namespace {

struct TextCase {
    const char* name;
    Pieces pieces;
    std::string expected;
};

// The pieces through a sink as a capture feeds it: received into space(), then committed.
std::string sunk(const Pieces& pieces, bool text)
{
    TempDir dir;
    {
        ftpsock::FileSink sink(dir.file("t"), false);
        sink.setTextLineEnds(text);
        for (const std::string& p : pieces) {
            char* at = sink.space(p.size());
            p.copy(at, p.size());
            sink.commit(p.size());
        }
        EXPECT_TRUE(sink.flush());
    }
    return readFile(dir.file("t"));
}

std::string wired(const Pieces& pieces)
{
    std::string out;
    bool lastWasCr = false;
    for (const std::string& p : pieces) ftpsock::LocalToWireText(p, out, lastWasCr);
    return out;
}

}  // namespace

TEST(FtpLineEnds, WireTextIsWrittenWithLocalLineEnds)
{
    const std::size_t move = ftpsock::kMoveSize;
    const TextCase cases[] = {
        {"CR LF in one piece", {"a\r\nb\r\n"}, "a\nb\n"},
        {"CR LF across two pieces", {"a\r", "\nb"}, "a\nb"},
        {"a lone CR at a piece's end", {"a\r", "b"}, "a\rb"},
        {"a lone CR at the very end", {"a\r"}, "a\r"},
        {"a lone CR, then CR LF", {"a\r", "\r", "\n"}, "a\r\n"},
        {"CR CR LF in one piece", {"x\r\r\n"}, "x\r\n"},
        {"a lone LF stays", {"a\nb\n"}, "a\nb\n"},
        {"empty pieces between CR and LF", {"a\r", "", "", "\nb"}, "a\nb"},
        {"only empty pieces", {"", ""}, ""},
        {"CR LF LF", {"\r\n\n"}, "\n\n"},
        // The block is written out while a CR waits for its next byte.
        {"CR held across a full block",
         {std::string(move, 'y'), std::string(move, 'y'), std::string(move, 'y'), std::string(move - 1, 'y') + "\r",
          "\nz"},
         std::string(4 * move - 1, 'y') + "\nz"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(sunk(c.pieces, true) == c.expected);
        std::string whole;
        for (const std::string& p : c.pieces) whole += p;
        EXPECT_TRUE(sunk(c.pieces, false) == whole);  // binary: every byte as it came
    }
}

TEST(FtpLineEnds, LocalTextIsSentWithCrLf)
{
    const TextCase cases[] = {
        {"LF line ends", {"a\nb\n"}, "a\r\nb\r\n"},
        {"a CR LF in the file stays one", {"a\r\nb"}, "a\r\nb"},
        {"CR LF across two pieces", {"a\r", "\n"}, "a\r\n"},
        {"an LF first, no CR before", {"\n", "\n"}, "\r\n\r\n"},
        {"a lone CR stays", {"a\r", "b\r"}, "a\rb\r"},
        {"empty pieces between CR and LF", {"a\r", "", "\n"}, "a\r\n"},
        {"CR CR LF", {"\r\r\n"}, "\r\r\n"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wired(c.pieces), c.expected);
    }
}

TEST(FtpLineEnds, ASentFileCountsItsOwnBytesWhateverTheSocketTakes)
{
    // A small socket buffer takes the wire form in parts, some ending between an added CR and
    // its LF; the counts returned are the file's, and every wire byte arrives once.
    std::string text;
    for (int i = 0; i < 4000; ++i) text += (i % 3 == 0 ? "line\r\n" : i % 3 == 1 ? "x\n" : "cr\rlf\n\n");
    TempDir dir;
    writeFile(dir.file("t.txt"), text);
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    FdHandle out(fds[0]), in(fds[1]);
    const int small = 2048;
    ::setsockopt(out.get(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ::fcntl(out.get(), F_SETFL, O_NONBLOCK);
    ::fcntl(in.get(), F_SETFL, O_NONBLOCK);

    ftpsock::FileSource source(dir.file("t.txt"));
    source.setTextLineEnds(true);
    std::string received;
    std::int64_t offset = 0;
    const auto drain = [&] {
        char buf[777];  // an odd size, so the reads end at odd places too
        for (ssize_t n; (n = ::read(in.get(), buf, sizeof buf)) > 0;) received.append(buf, static_cast<std::size_t>(n));
    };
    for (int turns = 0; offset < source.size() && turns < 1000000; ++turns) {
        const long n = source.sendTo(out.get(), offset, 1000);
        if (n < 0) {
            ASSERT_EQ(errno, EAGAIN);
            drain();
            continue;
        }
        offset += n;
    }
    drain();
    EXPECT_EQ(offset, source.size());
    bool lastWasCr = false;
    std::string expected;
    ftpsock::LocalToWireText(text, expected, lastWasCr);
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

namespace {

class FtpLineEndsConnected : public FtpSockConnected {
protected:
    void SetUp() override
    {
        FtpSockConnected::SetUp();
        sock->TextLineEnds = true;
    }
};

}  // namespace

TEST_F(FtpLineEndsConnected, ACaptureJoinsACrLfSplitBetweenReads)
{
    // Bytes read before the capture starts go through the same conversion.
    sendAll(peer.get(), "150 Opening\r\none\r");
    EXPECT_EQ(sock->ReadLn(), "150 Opening\r\n");
    later(50, [&] { sendAll(peer.get(), "\ntwo\r\r\n"); });
    later(100, [&] {
        sendAll(peer.get(), "lone\r");
        peer.reset();
    });
    sock->CaptureFile(dir.file("got.txt"));
    EXPECT_EQ(readFile(dir.file("got.txt")), "one\ntwo\r\nlone\r");
    EXPECT_EQ(sock->BytesRecvd(), 16);  // the wire's bytes
}

TEST_F(FtpLineEndsConnected, ASentFileGoesWithCrLfAndCountsTheFile)
{
    const std::string text = "one\ntwo\r\nthree\n";
    writeFile(dir.file("out.txt"), text);
    std::string received;
    PeerThread reader([&] { received = recvAll(peer.get()); });
    sock->SendFile(dir.file("out.txt"));
    EXPECT_EQ(sock->BytesSent(), static_cast<std::int64_t>(text.size()));
    sock->SetLinger(false);
    sock->CloseSocket();
    reader.join();
    EXPECT_EQ(received, "one\r\ntwo\r\nthree\r\n");
}
