#include "host/SupportMail.h"
#include "platform/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>

namespace scrivo {
namespace {

TEST(SupportMailTest, MessageAttachesTheLogOnlyWhenItExists)
{
    test::TempDir dir;
    std::string folder = dir.Path() + PathDelim;
    TMailMessage m = SupportMailMessage(folder);
    EXPECT_EQ(m.RecipientName, "Ombrel Support");
    EXPECT_EQ(m.Subject, "CD Writing Support");
    EXPECT_EQ(m.Body, "");
    EXPECT_EQ(m.AttachmentPath, "");
    dir.MakeFile("ScrivoLog.txt", "log");
    EXPECT_EQ(SupportMailMessage(folder).AttachmentPath, folder + "ScrivoLog.txt");
}

TEST(SupportMailTest, FailingMailLayerGivesTheErrorText)
{
    std::string sentTo;
    EXPECT_EQ(SendSupportMail("", [&](const TMailMessage& m) { sentTo = m.RecipientAddress; }), "");
    EXPECT_EQ(sentTo, SupportMailAddress);
    EXPECT_EQ(SendSupportMail("", [](const TMailMessage&) { throw EMailError("no client"); }), "Error Sending Mail!");
}

#ifndef _WIN32
// The POSIX mail layer runs xdg-email from the PATH; without one the send fails.
class PosixMailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* p = std::getenv("PATH");
        oldPath_ = p ? p : "";
        setenv("PATH", dir_.Path().c_str(), 1);
    }
    void TearDown() override { setenv("PATH", oldPath_.c_str(), 1); }
    test::TempDir dir_;
    std::string oldPath_;
};

TEST_F(PosixMailTest, NoXdgEmailOnThePathShowsTheErrorMessage)
{
    EXPECT_THROW(SendMailWithDialog(SupportMailMessage("")), EMailError);
    EXPECT_EQ(SendSupportMail(""), "Error Sending Mail!");
}

TEST_F(PosixMailTest, XdgEmailGetsSubjectAttachmentAndRecipient)
{
    std::string args = dir_ / "args.txt";
    dir_.MakeFile("xdg-email", "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" + args + "'\n");
    std::filesystem::permissions(test::U8Path(dir_ / "xdg-email"), std::filesystem::perms::owner_all);
    dir_.MakeFile("ScrivoLog.txt", "x");
    EXPECT_EQ(SendSupportMail(dir_.Path() + "/"), "");
    std::ifstream in(args);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "--utf8\n--subject\nCD Writing Support\n--attach\n" + (dir_ / "ScrivoLog.txt") + "\n" +
                        SupportMailAddress + "\n");
    dir_.MakeFile("xdg-email", "#!/bin/sh\nexit 3\n");
    EXPECT_EQ(SendSupportMail(""), "Error Sending Mail!");
}
#endif

} // namespace
} // namespace scrivo
