#include "cli/LineReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace scrivo::cli {
namespace {

class LineReaderTest : public ::testing::Test {
protected:
    LineReaderTest()
    {
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(pipe(wake), 0);
    }
    ~LineReaderTest() override
    {
        for (int fd : {in[0], in[1], wake[0], wake[1]})
            if (fd >= 0)
                close(fd);
    }
    void Type(const std::string& s) { ASSERT_EQ(write(in[1], s.data(), s.size()), ssize_t(s.size())); }
    int in[2] = {-1, -1};
    int wake[2] = {-1, -1};
};

TEST_F(LineReaderTest, WholeLinesOnlyAndTheLastOneWithoutItsEnd)
{
    TLineReader r(in[0]);
    std::string line;
    EXPECT_FALSE(r.Next(line, 0));
    Type("Fin");
    EXPECT_FALSE(r.Next(line, 0)); // half a line waits for the rest
    Type("ish\r\nOK\nClo");
    ASSERT_TRUE(r.Next(line, 0));
    EXPECT_EQ(line, "Finish");
    ASSERT_TRUE(r.Next(line, 0));
    EXPECT_EQ(line, "OK");
    close(in[1]);
    in[1] = -1;
    ASSERT_TRUE(r.Next(line, -1));
    EXPECT_EQ(line, "Clo");
    EXPECT_FALSE(r.Next(line, -1));
    EXPECT_TRUE(r.Ended());
}

TEST_F(LineReaderTest, AWaitEndsWhenTheWakeDescriptorTurnsReadable)
{
    TLineReader r(in[0], wake[0]);
    ASSERT_EQ(write(wake[1], "!", 1), 1);
    std::string line;
    EXPECT_FALSE(r.Next(line, -1));
    EXPECT_FALSE(r.Ended());
}

} // namespace
} // namespace scrivo::cli
