// Line reads, command writes, and files sent and captured by TSockBase over loopback.

#include "SockConnected.h"

#include "net/ftp/socket/FileStreams.h"
#include "net/ftp/socket/SockBase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace socktest;

TEST_F(FtpSockConnected, ReadLnSplitsJoinsAndEndsAtClose)
{
    sendAll(peer.get(), "220-first\r\n220 second\r\n");
    EXPECT_EQ(sock->ReadLn(), "220-first\r\n");
    EXPECT_EQ(sock->ReadLn(), "220 second\r\n");

    sendAll(peer.get(), "230 Hel");
    later(20, [&] { sendAll(peer.get(), "lo\n331 x"); });
    EXPECT_EQ(sock->ReadLn(), "230 Hello\n");  // LF alone ends a line too

    // The peer closes without a last LF: the rest is the line, then the connection is gone.
    later(20, [&] { peer.reset(); });
    EXPECT_EQ(sock->ReadLn(), "331 x");
    EXPECT_FALSE(sock->Connected());
    EXPECT_EQ(failureOf([&] { sock->ReadLn(); }), "Not Connected");
}

TEST_F(FtpSockConnected, ReadLnCapsALineWithoutLineEnd)
{
    const std::string longLine = makeBytes(TSockBase::MaxLineLength + 100, 3);
    std::string body;
    for (char c : longLine) body += (c == '\n' ? 'x' : c);
    PeerThread writer([&] {
        sendAll(peer.get(), body + "\r\n");
        peer.reset();
    });
    const std::string first = sock->ReadLn();
    EXPECT_EQ(first, body.substr(0, TSockBase::MaxLineLength));
    EXPECT_EQ(sock->ReadLn(), body.substr(TSockBase::MaxLineLength) + "\r\n");
}

TEST_F(FtpSockConnected, CancelEndsReadLnAndRead)
{
    int aborted = 0;
    sock->OnAbortRead = [&](QObject*) { ++aborted; };
    later(20, [&] { sock->Cancel(); });
    EXPECT_EQ(sock->ReadLn(), "");
    EXPECT_GE(aborted, 1);
    EXPECT_FALSE(sock->Canceled());

    later(20, [&] { sock->Cancel(); });
    EXPECT_EQ(failureOf([&] { sock->Read(10); }), "Socket send aborted");
    EXPECT_FALSE(sock->Canceled());

    // Reading goes on after a cancel.
    sendAll(peer.get(), "abcdef");
    EXPECT_EQ(sock->Read(4), "abcd");
    EXPECT_EQ(sock->Read(0), "ef");
}

TEST_F(FtpSockConnected, TransactionSendsOneLineAndParsesTheReply)
{
    struct Case {
        const char* reply;
        int number;
    } cases[] = {{"200 NOOP ok\r\n", 200}, {"no number\r\n", 0}, {"1234567890123 x\r\n", 0}, {"2001 x\r\n", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        sendAll(peer.get(), c.reply);
        EXPECT_EQ(sock->Transaction("NOOP"), c.reply);
        EXPECT_EQ(sock->LastReply(), c.reply);
        EXPECT_EQ(sock->ReplyNumber(), c.number);
        EXPECT_EQ(recvSome(peer.get(), 6), "NOOP\r\n");
    }
}

TEST_F(FtpSockConnected, WriteRefusesTextsThatWouldBreakTheCommandStream)
{
    const std::string nul("NO\0OP", 5);
    struct Case {
        const char* name;
        std::function<void()> write;
    } cases[] = {
        {"CR LF inside", [&] { sock->Writeln("USER a\r\nDELE b"); }},
        {"LF inside", [&] { sock->Writeln("USER a\nDELE b"); }},
        {"CR at the end", [&] { sock->Writeln("NOOP\r"); }},
        {"NUL", [&] { sock->Writeln(nul); }},
        {"NUL through Write", [&] { sock->Write(nul + "\r\n"); }},
        {"line break inside Write", [&] { sock->Write("A\r\nB\r\n"); }},
        {"too long for one line", [&] { sock->Writeln(std::string(TSockBase::LineBufferSize - 1, 'a')); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(c.write(), ESockError);
    }
    sock->Writeln(std::string(TSockBase::LineBufferSize - 2, 'b'));  // just fits
    sock->Write("NOOP\r\n");
    const std::string sent = recvSome(peer.get(), TSockBase::LineBufferSize + 6);
    EXPECT_EQ(sent, std::string(TSockBase::LineBufferSize - 2, 'b') + "\r\nNOOP\r\n");
    EXPECT_EQ(sock->BytesSent(), static_cast<std::int64_t>(sent.size()));
}

// Sizes around the piece size, each from the start and from an offset.
struct FileCase {
    std::size_t size;
    std::size_t offset;
};

class FtpSockFiles : public FtpSockConnected, public ::testing::WithParamInterface<FileCase> {};

INSTANTIATE_TEST_SUITE_P(
    Sizes, FtpSockFiles,
    ::testing::Values(FileCase{0, 0}, FileCase{1, 0}, FileCase{1, 1}, FileCase{16382, 0},
                      FileCase{16383, 0}, FileCase{16383, 1}, FileCase{16384, 16383},
                      FileCase{10 * 1024 * 1024 + 1, 0}, FileCase{10 * 1024 * 1024 + 1, 5000001}),
    [](const auto& info) {
        return "size" + std::to_string(info.param.size) + "_offset" + std::to_string(info.param.offset);
    });

namespace {

// The byte counts of the packet events: each piece moves something and at most PieceSize
// bytes, from `from` up to `to`.
void expectPieces(const std::vector<std::int64_t>& counts, std::int64_t from, std::int64_t to)
{
    std::int64_t previous = from;
    for (std::int64_t count : counts) {
        EXPECT_GT(count, previous);
        EXPECT_LE(count - previous, static_cast<std::int64_t>(TSockBase::PieceSize));
        previous = count;
    }
    EXPECT_EQ(previous, to);
}

}  // namespace

TEST_P(FtpSockFiles, SendFileSendsTheBytesFromTheOffset)
{
    const FileCase c = GetParam();
    const std::string data = makeBytes(c.size, 7);
    writeFile(dir.file("out.bin"), data);

    std::string received;
    PeerThread reader([&] { received = recvAll(peer.get()); });
    std::vector<std::int64_t> counts;
    sock->OnPacketSent = [&](QObject*) { counts.push_back(sock->BytesSent()); };
    sock->SendFile(dir.file("out.bin"), static_cast<std::int64_t>(c.offset));
    EXPECT_EQ(sock->BytesTotal, static_cast<std::int64_t>(c.size));
    EXPECT_EQ(sock->BytesSent(), static_cast<std::int64_t>(c.size));
    sock->SetLinger(false);  // the close delivers what is queued
    sock->CloseSocket();
    reader.join();
    EXPECT_TRUE(received == data.substr(c.offset)) << received.size() << " bytes received";

    expectPieces(counts, static_cast<std::int64_t>(c.offset), static_cast<std::int64_t>(c.size));
}

TEST_P(FtpSockFiles, CaptureFileWritesEveryByteAndAppendsWhenAsked)
{
    const FileCase c = GetParam();
    const std::string data = makeBytes(c.size, 9);
    const std::string head = makeBytes(c.offset, 11);  // a partial earlier download
    writeFile(dir.file("in.bin"), head);

    PeerThread writer([&] {
        sendAll(peer.get(), data);
        peer.reset();
    });
    std::vector<std::int64_t> counts;
    sock->OnPacketRecvd = [&](QObject*) { counts.push_back(sock->BytesRecvd()); };
    sock->CaptureFile(dir.file("in.bin"), c.offset > 0);
    writer.join();
    EXPECT_EQ(sock->BytesRecvd(), static_cast<std::int64_t>(c.size));
    const std::string file = readFile(dir.file("in.bin"));
    EXPECT_TRUE(file == (c.offset > 0 ? head : std::string()) + data) << file.size() << " bytes in the file";

    expectPieces(counts, 0, static_cast<std::int64_t>(c.size));
}

TEST_F(FtpSockConnected, CaptureKeepsBytesThatCameBeforeIt)
{
    sendAll(peer.get(), "150 Opening\r\nDATA");
    EXPECT_EQ(sock->ReadLn(), "150 Opening\r\n");
    later(20, [&] {
        sendAll(peer.get(), "MORE");
        peer.reset();
    });
    sock->CaptureFile(dir.file("early.bin"));
    EXPECT_EQ(readFile(dir.file("early.bin")), "DATAMORE");
    EXPECT_EQ(sock->BytesRecvd(), 8);
}

TEST(FtpSockFileSource, AFileThatGrowsIsServedAtTheSizeItWasOpenedWith)
{
    // Past one block, and not a whole number of pieces: the last piece would run over.
    TempDir dir;
    const std::size_t size = ftpsock::kSourceBlock + ftpsock::kSourceBlock / 2 + 100;
    const std::string data = makeBytes(size, 3);
    writeFile(dir.file("grows.bin"), data);
    ftpsock::FileSource source(dir.file("grows.bin"));
    writeFile(dir.file("grows.bin"), data + makeBytes(ftpsock::kSourceBlock, 4));
    std::string served;
    for (;;) {
        const std::string_view piece = source.at(static_cast<std::int64_t>(served.size()), 48 * 1024);
        if (piece.empty()) break;
        served += piece;
    }
    EXPECT_EQ(source.error(), 0);
    EXPECT_EQ(served.size(), size);
    EXPECT_TRUE(served == data);
}

TEST_F(FtpSockConnected, MissingFilesAreReported)
{
    EXPECT_EQ(failureOf([&] { sock->SendFile(dir.file("none.bin")); }),
              "Cannot open file " + dir.file("none.bin"));
    EXPECT_EQ(failureOf([&] { sock->CaptureFile(dir.file("none.bin"), true); }),
              "Cannot open file " + dir.file("none.bin") + ": No such file or directory");
    // Why a capture could not start: the folder, the target itself, or a link where none may be.
    std::filesystem::create_directory(dir.file("folder"));
    std::filesystem::create_symlink(dir.file("elsewhere"), dir.file("link"));
    EXPECT_EQ(failureOf([&] { sock->CaptureFile(dir.file("no/such.bin")); }),
              "Cannot create file " + dir.file("no/such.bin") + ": No such file or directory");
    EXPECT_EQ(failureOf([&] { sock->CaptureFile(dir.file("folder")); }),
              "Cannot write to " + dir.file("folder") + ": not a regular file");
    EXPECT_EQ(failureOf([&] { sock->CaptureFile(dir.file("link"), false, true); }),
              "Cannot create file " + dir.file("link") + ": it is a link");
    EXPECT_FALSE(std::filesystem::exists(dir.file("elsewhere")));
}

TEST_F(FtpSockConnected, AFileThatShrinksWhileSentFailsTheSend)
{
    const std::string path = dir.file("shrinks.bin");
    writeFile(path, makeBytes(8 * 1024 * 1024, 3));
    PeerThread reader([&] { recvAll(peer.get()); });
    sock->OnPacketSent = [&](QObject*) { ::truncate(path.c_str(), 1); };
    EXPECT_EQ(failureOf([&] { sock->SendFile(path); }), "Cannot read file " + path);
    EXPECT_LT(sock->BytesSent(), 8 * 1024 * 1024);
    sock->OnPacketSent = nullptr;
    sock->CloseSocket();
}

TEST_F(FtpSockConnected, CancelEndsSendAndCapture)
{
    writeFile(dir.file("big.bin"), makeBytes(32 * 1024 * 1024, 5));
    // The peer reads nothing, so the send stalls once the socket buffers are full.
    later(50, [&] { sock->Cancel(); });
    EXPECT_EQ(failureOf([&] { sock->SendFile(dir.file("big.bin")); }), "Socket send aborted");
    EXPECT_FALSE(sock->Canceled());
    EXPECT_LT(sock->BytesSent(), 32 * 1024 * 1024);

    later(50, [&] { sock->Cancel(); });
    EXPECT_EQ(failureOf([&] { sock->CaptureFile(dir.file("cap.bin")); }), "Socket send aborted");
    EXPECT_FALSE(sock->Canceled());
}

TEST_F(FtpSockConnected, PeerResetDuringSendIsAnError)
{
    writeFile(dir.file("big.bin"), makeBytes(32 * 1024 * 1024, 5));
    std::vector<int> errors;
    sock->OnError = [&](QObject*, std::uint16_t error, const std::string&) { errors.push_back(error); };
    PeerThread resetter([&] {
        recvSome(peer.get(), 256 * 1024);
        closeWithReset(peer);
    });
    // No SIGPIPE: the process lives and the send fails.
    EXPECT_EQ(failureOf([&] { sock->SendFile(dir.file("big.bin")); }), "Unknown Error No. 10054");
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front(), 10054);
    EXPECT_FALSE(sock->Connected() && sock->LastErrorNo() == 0);
}

TEST_F(FtpSockConnected, PeerResetDuringCaptureIsAnError)
{
    later(20, [&] {
        sendAll(peer.get(), "partial");
        closeWithReset(peer);
    });
    EXPECT_EQ(failureOf([&] { sock->CaptureFile(dir.file("cap.bin")); }), "Unknown Error No. 10054");
    EXPECT_FALSE(sock->Connected());
}

TEST_F(FtpSockConnected, IdleLimitEndsStalledReadsSendsAndCaptures)
{
    sock->IdleTimeout = 150;
    // Bytes that keep coming hold the limit off; a line that then stalls does not.
    later(100, [&] { sendAll(peer.get(), "220 par"); });
    later(200, [&] { sendAll(peer.get(), "tial"); });
    EXPECT_EQ(failureOf([&] { sock->ReadLn(); }), "Reply Timed Out");

    writeFile(dir.file("big.bin"), makeBytes(32 * 1024 * 1024, 5));
    EXPECT_EQ(failureOf([&] { sock->SendFile(dir.file("big.bin")); }), "Transfer timed out...");
    EXPECT_EQ(failureOf([&] { sock->CaptureFile(dir.file("cap.bin")); }), "Transfer timed out...");
}
