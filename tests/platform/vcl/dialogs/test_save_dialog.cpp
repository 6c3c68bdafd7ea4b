#include "platform/vcl/dialogs/TSaveDialog.h"
#include "tests/platform/vcl/dialogs/DialogScript.h"
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>

namespace {

const char* const kFilter = "JPEG-Format|*.jpg|BMP-Format (Windows)|*.bmp";

class SaveDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_dialog.SetTitle("Graphen speichern unter");
        m_dialog.SetDefaultExt("jpg");
        m_dialog.SetFilter(kFilter);
        m_dialog.SetFilterIndex(1);
        m_dialog.SetInitialDir(Folder());
        m_dialog.SetOptions({ ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofEnableSizing });
    }
    std::string Folder() const { return m_dir.path().toStdString(); }
    std::string Path(const char* name) const { return Folder() + "/" + name; }
    void Touch(const char* name)
    {
        QFile file(QString::fromStdString(Path(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir m_dir;
    TSaveDialog m_dialog;
};

TEST(SaveDialogFilter, SplitsPairsOfNameAndPatterns)
{
    struct Case {
        const char* filter;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    const Case cases[] = {
        { "", {} },
        { kFilter, { { "JPEG-Format", "*.jpg" }, { "BMP-Format (Windows)", "*.bmp" } } },
        { "Pictures|*.jpg;*.bmp|Orphan", { { "Pictures", "*.jpg;*.bmp" } } },
        { "Empty pattern||All|*", { { "Empty pattern", "" }, { "All", "*" } } },
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const TFileFilter& f : TSaveDialog::ParseFilter(c.filter))
            got.emplace_back(f.name, f.patterns);
        EXPECT_EQ(got, c.entries) << c.filter;
    }
}

TEST_F(SaveDialogTest, ShowsItsSettings)
{
    m_dialog.SetFilterIndex(2);
    m_dialog.SetOptions({ ofOverwritePrompt }); // no sizing
    FileDialogView view;
    QStringList patterns;
    DialogScript script;
    script.OnFileDialog([&](QFileDialog* d) {
        view = ViewOf(d);
        patterns = d->nameFilters();
        d->reject();
    });
    EXPECT_FALSE(m_dialog.Execute());
    ASSERT_TRUE(script.Finished()) << script.Problem().toStdString();
    EXPECT_EQ(view.title, "Graphen speichern unter");
    // The names exactly as given, the patterns not repeated after them.
    EXPECT_EQ(view.filterNames, QStringList({ "JPEG-Format", "BMP-Format (Windows)" }));
    EXPECT_EQ(view.currentFilter, "BMP-Format (Windows)");
    EXPECT_EQ(patterns, QStringList({ "JPEG-Format (*.jpg)", "BMP-Format (Windows) (*.bmp)" }));
    EXPECT_EQ(view.folder.toStdString(), Folder());
    EXPECT_TRUE(view.fixedSize);
}

TEST_F(SaveDialogTest, ReturnsTheNameAndTheEntryChosen)
{
    struct Case {
        const char* filterName;
        const char* typed;
        const char* expectedFile;
        int expectedIndex;
    };
    const Case cases[] = {
        { "JPEG-Format", "page.jpg", "page.jpg", 1 },
        // The default extension whatever the entry; an extension typed stays.
        { "BMP-Format (Windows)", "page", "page.jpg", 2 },
        { "JPEG-Format", "page.bmp", "page.bmp", 1 },
        { "BMP-Format (Windows)", "page.bmp", "page.bmp", 2 },
        { "", "plain", "plain.jpg", 1 }, // entry left as preselected
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        m_dialog.SetFilterIndex(1);
        DialogScript script;
        script.SaveAs(c.typed, c.filterName);
        EXPECT_TRUE(m_dialog.Execute());
        ASSERT_TRUE(script.Finished()) << script.Problem().toStdString();
        EXPECT_EQ(m_dialog.FileName(), Path(c.expectedFile));
        EXPECT_EQ(m_dialog.FilterIndex(), c.expectedIndex);
    }
}

TEST_F(SaveDialogTest, OffersTheLastNameAgainAndCancelKeepsEverything)
{
    QDir(m_dir.path()).mkdir("scans");
    {
        DialogScript script;
        script.SaveAs("scans/first.bmp", "BMP-Format (Windows)");
        ASSERT_TRUE(m_dialog.Execute());
        ASSERT_TRUE(script.Finished()) << script.Problem().toStdString();
    }
    ASSERT_EQ(m_dialog.FileName(), Path("scans/first.bmp"));
    ASSERT_EQ(m_dialog.FilterIndex(), 2);

    FileDialogView view;
    DialogScript script;
    script.OnFileDialog([&](QFileDialog* d) {
        view = ViewOf(d);
        d->reject();
    });
    EXPECT_FALSE(m_dialog.Execute());
    ASSERT_TRUE(script.Finished()) << script.Problem().toStdString();
    EXPECT_EQ(view.typedName, "first.bmp");
    EXPECT_EQ(view.folder.toStdString(), Path("scans"));
    EXPECT_EQ(view.currentFilter, "BMP-Format (Windows)");
    EXPECT_EQ(m_dialog.FileName(), Path("scans/first.bmp"));
    EXPECT_EQ(m_dialog.FilterIndex(), 2);
}

TEST_F(SaveDialogTest, AnsweringNoToTheOverwriteQuestionReturnsToTheDialog)
{
    Touch("old.jpg");
    QString question;
    DialogScript script;
    script.SaveAs("old.jpg")
        .OnMessageBox([&](QMessageBox* box) {
            question = box->text();
            box->button(QMessageBox::No)->click();
        })
        .SaveAs("new.jpg");
    EXPECT_TRUE(m_dialog.Execute());
    ASSERT_TRUE(script.Finished()) << script.Problem().toStdString();
    EXPECT_TRUE(question.contains("old.jpg")) << question.toStdString();
    EXPECT_EQ(m_dialog.FileName(), Path("new.jpg"));
}

TEST_F(SaveDialogTest, OverwriteAskedOnlyWithTheOption)
{
    Touch("old.jpg");
    {
        DialogScript script;
        script.SaveAs("old.jpg").Press(QMessageBox::Yes);
        EXPECT_TRUE(m_dialog.Execute());
        EXPECT_TRUE(script.Finished()) << script.Problem().toStdString();
    }
    m_dialog.SetOptions({ ofHideReadOnly });
    bool asked = false;
    DialogScript script(1500);
    script.SaveAs("old.jpg").OnMessageBox([&](QMessageBox* box) {
        asked = true;
        box->reject();
    });
    EXPECT_TRUE(m_dialog.Execute());
    EXPECT_FALSE(asked);
    EXPECT_EQ(m_dialog.FileName(), Path("old.jpg"));
}

TEST_F(SaveDialogTest, AFolderThatDoesNotExistIsRefusedInTheDialog)
{
    QString warning;
    DialogScript script;
    script.SaveAs("missing/x.jpg")
        .OnMessageBox([&](QMessageBox* box) {
            warning = box->text();
            box->accept();
        })
        .Cancel();
    EXPECT_FALSE(m_dialog.Execute());
    ASSERT_TRUE(script.Finished()) << script.Problem().toStdString();
    EXPECT_TRUE(warning.contains("does not exist")) << warning.toStdString();
    EXPECT_EQ(m_dialog.FileName(), "");

    // Without the option the name is the caller's to check.
    m_dialog.SetOptions({});
    DialogScript lenient;
    lenient.SaveAs("missing/x.jpg");
    EXPECT_TRUE(m_dialog.Execute());
    EXPECT_EQ(m_dialog.FileName(), Path("missing/x.jpg"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
