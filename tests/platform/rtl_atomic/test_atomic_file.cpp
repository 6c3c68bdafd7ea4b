#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Exceptions.h"
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

class AtomicFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        AnsiString pattern = testing::TempDir() + "atomic-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    AnsiString Path(const char* name) const { return (m_dir / name).string(); }
    static AnsiString Read(const AnsiString& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static void Put(const AnsiString& path, const AnsiString& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    // Every entry of the folder, so a left-over temporary file shows up.
    std::vector<AnsiString> Entries() const
    {
        std::vector<AnsiString> names;
        for (const auto& e : fs::directory_iterator(m_dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static unsigned Mode(const AnsiString& path)
    {
        struct stat st;
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return st.st_mode & 07777;
    }

    fs::path m_dir;
};

TEST_F(AtomicFileTest, WritesANewFileThroughTheBufferAndLeavesNothingElse)
{
    // Mixed byte and block writes across several buffer lengths, with a block
    // larger than the buffer in the middle.
    AnsiString expected;
    {
        TAtomicFile file(Path("out.bin"));
        EXPECT_TRUE(fs::exists(file.TempName()));
        EXPECT_FALSE(fs::exists(Path("out.bin"))) << "target visible before Commit";
        for (int i = 0; i < 100000; ++i) {
            file.WriteByte(static_cast<uint8_t>(i * 7));
            expected += static_cast<char>(i * 7);
        }
        AnsiString big(200000, 'x');
        big[0] = 'A';
        big.back() = 'Z';
        file.Write(big);
        expected += big;
        file.Write("tail", 4);
        expected += "tail";
        EXPECT_EQ(file.Size(), expected.size());
        file.Commit();
        EXPECT_EQ(file.TempName(), "");
    }
    EXPECT_EQ(Read(Path("out.bin")), expected);
    EXPECT_EQ(Entries(), std::vector<AnsiString> { "out.bin" });
    mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Mode(Path("out.bin")), 0666u & ~mask);
}

TEST_F(AtomicFileTest, ReplacesAnExistingFileAndKeepsItsPermissions)
{
    Put(Path("keep.txt"), "old content that is longer than the new one");
    ::chmod(Path("keep.txt").c_str(), 0640);
    WriteFileAtomically(Path("keep.txt"), "new");
    EXPECT_EQ(Read(Path("keep.txt")), "new");
    EXPECT_EQ(Mode(Path("keep.txt")), 0640u);
    EXPECT_EQ(Entries(), std::vector<AnsiString> { "keep.txt" });
}

TEST_F(AtomicFileTest, AFailureOrAMissingCommitLeavesTheTargetAsItWas)
{
    Put(Path("t.txt"), "original");
    EXPECT_THROW(WriteFileAtomically(Path("t.txt"),
                     [](TAtomicFile& f) {
                         f.Write(AnsiString(100000, 'y'));
                         throw EConvertError("stop");
                     }),
        EConvertError);
    { TAtomicFile abandoned(Path("t.txt")); abandoned.Write("half"); }
    TAtomicFile discarded(Path("t.txt"));
    discarded.Write("half");
    discarded.Discard();
    discarded.Discard();
    EXPECT_THROW(discarded.WriteByte('x'), EInOutError);
    EXPECT_THROW(discarded.Commit(), EInOutError);

    EXPECT_EQ(Read(Path("t.txt")), "original");
    EXPECT_EQ(Entries(), std::vector<AnsiString> { "t.txt" });
}

TEST_F(AtomicFileTest, WritingAfterCommitIsAnError)
{
    TAtomicFile file(Path("c.txt"));
    file.Write("abc");
    file.Commit();
    EXPECT_THROW(file.Write("more"), EInOutError);
    EXPECT_THROW(file.WriteByte('x'), EInOutError);
    EXPECT_THROW(file.Commit(), EInOutError);
    EXPECT_EQ(Read(Path("c.txt")), "abc");
}

TEST_F(AtomicFileTest, FollowsASymbolicLinkAndKeepsTheLink)
{
    Put(Path("real.txt"), "old");
    fs::create_symlink("real.txt", m_dir / "link.txt");
    WriteFileAtomically(Path("link.txt"), "via link");
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.txt"));
    EXPECT_EQ(Read(Path("real.txt")), "via link");
    EXPECT_EQ(Entries(), (std::vector<AnsiString> { "link.txt", "real.txt" }));
}

TEST_F(AtomicFileTest, UnwritableTargetsRaiseAnErrorNamingTheFile)
{
    fs::create_directory(m_dir / "sub");
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    for (AnsiString target : { Path("missing/x.mid"), Path("sub"), Path("sub") + "/", Path("pipe"), AnsiString() }) {
        try {
            TAtomicFile file(target);
            ADD_FAILURE() << "opened '" << target << "'";
        } catch (const EInOutError& e) {
            if (!target.empty()) {
                EXPECT_THAT(e.Message(), HasSubstr("\"" + target + "\"")) << e.Message();
            }
        }
    }
    EXPECT_EQ(Entries(), (std::vector<AnsiString> { "pipe", "sub" }));
    EXPECT_TRUE(fs::is_fifo(m_dir / "pipe"));
    EXPECT_TRUE(fs::is_empty(m_dir / "sub"));
}

} // namespace
