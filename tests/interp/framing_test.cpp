// Framing: messages come out whole however the stream is cut; broken
// headers cost their own message only; the end of the input ends the
// stream, also in the middle of a message; random bytes never stop it.
#include <gtest/gtest.h>

#include <random>

#include "framing/framing.h"

namespace vantel::framing {
namespace {

struct Read {
    std::vector<std::string> bodies;
    std::vector<std::string> problems; // of skipped messages, then of the end
};

Read ReadAll(std::string_view stream, std::size_t chunk = 4096, std::size_t maxBody = kMaxBody) {
    TextSource source(stream, chunk);
    FrameReader reader(source, maxBody);
    Read r;
    std::string body, problem;
    for (int guard = 0; guard < 100000; ++guard) {
        const FrameReader::Result result = reader.Next(body, problem);
        if (result == FrameReader::Result::Message) r.bodies.push_back(body);
        if (result != FrameReader::Result::Message && !problem.empty())
            r.problems.push_back(problem);
        if (result == FrameReader::Result::End) return r;
    }
    ADD_FAILURE() << "the reader did not come to the end";
    return r;
}

TEST(Framing, MessagesWholeInAnyChunks) {
    const std::string stream = Frame("{\"a\":1}") + Frame("") + Frame(std::string(70000, 'x')) +
                               "content-length: 3\r\nContent-Type: application/json\r\n\r\nabc" +
                               "\r\n\r\nContent-Length:2\n\nhi";
    for (std::size_t chunk : {1u, 3u, 4096u, 100000u}) {
        const Read r = ReadAll(stream, chunk);
        EXPECT_EQ(r.bodies,
                  (std::vector<std::string>{"{\"a\":1}", "", std::string(70000, 'x'), "abc", "hi"}))
            << chunk;
        EXPECT_TRUE(r.problems.empty()) << chunk;
    }
    EXPECT_EQ(Frame("hi"), "Content-Length: 2\r\n\r\nhi");
}

TEST(Framing, BrokenHeadersCostOneMessage) {
    const std::string next = Frame("next");
    const std::vector<std::pair<std::string, std::string>> broken{
        {"Content-Type: x\r\n\r\n{}", "a header block without Content-Length"},
        {"Content-Length: -5\r\n\r\n", "a Content-Length that is not a decimal number"},
        {"Content-Length: 12abc\r\n\r\n", "a Content-Length that is not a decimal number"},
        {"Content-Length: 99999999999999999999999\r\n\r\n",
         "a Content-Length that is not a decimal number"},
        {"Content-Length: 2000\r\n\r\n{}", "a body of 2000 bytes, more than the 1000 allowed"},
        {"Content-Length: 2\r\nContent-Length: 3\r\n\r\nab",
         "two different Content-Length headers"},
        {"garbage without a colon\r\n\r\n", "a header line that is not \"Name: value\""},
        {"X-Long: " + std::string(5000, 'y') + "\r\n\r\n", "a header line longer than 1024 bytes"},
        {std::string(3000, '{'), "a header line longer than 1024 bytes"},
    };
    for (const auto& [bad, why] : broken) {
        const Read r = ReadAll(Frame("first") + bad + next, 7, 1000);
        EXPECT_EQ(r.bodies, (std::vector<std::string>{"first", "next"})) << bad;
        ASSERT_FALSE(r.problems.empty()) << bad;
        EXPECT_EQ(r.problems[0], why) << bad;
    }
}

TEST(Framing, EndOfInputEndsTheStream) {
    EXPECT_TRUE(ReadAll("").problems.empty());
    EXPECT_TRUE(ReadAll("\r\n\r\n").problems.empty());
    EXPECT_EQ(ReadAll("Content-Length: 10\r\n").problems,
              std::vector<std::string>{"the input ended inside a header block"});
    const Read cut = ReadAll(Frame("one") + "Content-Length: 10\r\n\r\nabc");
    EXPECT_EQ(cut.bodies, std::vector<std::string>{"one"});
    EXPECT_EQ(cut.problems, std::vector<std::string>{"the input ended inside a message body"});
}

// Random bytes with valid messages among them: the reader always comes to
// the end, and a message right after a broken one is still read.
TEST(Framing, RandomBytesNeverStopTheReader) {
    std::mt19937 random(17);
    for (int i = 0; i < 300; ++i) {
        std::string stream;
        const int parts = std::uniform_int_distribution<int>(1, 8)(random);
        for (int p = 0; p < parts; ++p) {
            if (random() % 2) {
                stream += Frame("ok" + std::to_string(p));
            } else {
                const std::size_t n = random() % 3000;
                for (std::size_t k = 0; k < n; ++k)
                    stream += static_cast<char>(random() % 4 == 0 ? "\r\n:C"[random() % 4]
                                                                  : random() % 256);
            }
        }
        const Read r = ReadAll(stream, 1 + random() % 5000);
        EXPECT_LE(r.bodies.size(), static_cast<std::size_t>(parts) * 2);
    }
    const Read after = ReadAll(std::string("\x01\x02Content-Length: x\r\n\r\n") + Frame("found"));
    EXPECT_EQ(after.bodies, std::vector<std::string>{"found"});
}

} // namespace
} // namespace vantel::framing
