#include "platform/vcl/printers/TPrinter.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/printers/CupsSpooler.h"
#include "platform/vcl/printers/DocumentsFolder.h"
#include "platform/vcl/printers/TPrintSpooler.h"
#include "platform/vcl/printers/qt/PdfRenderer.h"
#include "platform/win/gdi/GdiRecording.h"
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kFilePrinterName = TPrinter::FilePrinterName;
constexpr int kFileDpi = 600;
// How long EndDoc follows a spooled job before it leaves it to the print
// system: long enough for the print system to take it or turn it down.
constexpr int kWatchMilliseconds = 30000;

void Pump()
{
    Application->ProcessMessages();
}

// Pumps, then sleeps until something arrives or the time is up.
void PumpAndWait(int milliseconds)
{
    Application->ProcessMessages();
    Application->WaitMessage(milliseconds);
    Application->ProcessMessages();
}

int MmToPixels(double mm, int dpi)
{
    return static_cast<int>(mm * dpi / 25.4 + 0.5);
}

AnsiString ErrorText(int error)
{
    return std::strerror(error);
}

// mkdir -p, raising EPrinter with the reason.
void MakeFolders(const AnsiString& path)
{
    AnsiString partial;
    size_t at = 0;
    while (at != AnsiString::npos) {
        at = path.find('/', at + 1);
        partial = path.substr(0, at);
        if (partial.empty())
            continue;
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
            int error = errno;
            throw EPrinter("No printer is available: the folder \"" + path + "\" cannot be created (" + ErrorText(error) + ")");
        }
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw EPrinter("No printer is available: \"" + path + "\" is not a folder");
}

AnsiString FileBaseName(const AnsiString& title)
{
    AnsiString name;
    for (char c : title)
        name += (c == '/' || c == '\0' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    while (!name.empty() && (name.back() == ' ' || name.back() == '.'))
        name.pop_back();
    if (name.empty() || name[0] == '.')
        name = "Print job" + name;
    if (name.size() > 200)
        name.resize(200);
    return name;
}

// A temporary file in folder; its name is returned, the descriptor closed.
AnsiString MakeTempFile(const AnsiString& folder, const AnsiString& stem)
{
    AnsiString pattern = folder + "/." + stem + "-XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        int error = errno;
        throw EPrinter("Cannot create a print file in \"" + folder + "\" (" + ErrorText(error) + ")");
    }
    ::close(fd);
    return pattern;
}

// Gives the finished file a name no earlier job has: "Title.pdf", then
// "Title (2).pdf" and so on. The name is claimed with an exclusive create
// first, so two jobs (or programs) never end up with one file.
AnsiString PublishUnique(const AnsiString& temp, const AnsiString& folder, const AnsiString& base)
{
    for (int n = 1; n < 100000; ++n) {
        AnsiString name = folder + "/" + base + (n == 1 ? AnsiString() : " (" + std::to_string(n) + ")") + ".pdf";
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            int error = errno;
            throw EPrinter("Cannot write the print file \"" + name + "\" (" + ErrorText(error) + ")");
        }
        ::close(fd);
        if (::rename(temp.c_str(), name.c_str()) != 0) {
            int error = errno;
            ::unlink(name.c_str());
            throw EPrinter("Cannot write the print file \"" + name + "\" (" + ErrorText(error) + ")");
        }
        return name;
    }
    throw EPrinter("Cannot find a free file name for the print file in \"" + folder + "\"");
}

TPrinter* g_printer = nullptr;

// Thrown out of the message pump when Abort ran from a handler; EndDoc catches it.
struct JobAborted { };

} // namespace

TPrinter::TPrinter()
    : m_backend(std::make_unique<TCupsSpooler>())
{
}

TPrinter::~TPrinter()
{
    if (m_printing)
        Abort();
    m_canvas.SetHandle(nullptr);
    if (m_recordingDC)
        DeleteDC(m_recordingDC);
}

void TPrinter::SetBackend(std::unique_ptr<TPrintSpooler> backend)
{
    CheckNotPrinting("change the print system");
    m_backend = std::move(backend);
    m_resolved = false;
}

void TPrinter::CheckNotPrinting(const char* what) const
{
    if (m_printing)
        throw EPrinter(AnsiString("Printing in progress: cannot ") + what);
}

void TPrinter::SetNumCopies(int copies)
{
    m_copies = copies < 1 ? 1 : copies;
}

void TPrinter::SetOrientation(TPrinterOrientation orientation)
{
    if (orientation == m_orientation)
        return;
    CheckNotPrinting("change the orientation");
    m_orientation = orientation;
}

void TPrinter::ResolveDestination()
{
    if (m_resolved)
        return;
    m_destination = TPrinterDestination {};
    AnsiString queue = m_backend ? m_backend->DefaultQueue() : AnsiString();
    if (!queue.empty()) {
        m_destination.kind = TPrinterDestination::Kind::Spooler;
        m_destination.name = queue;
    } else {
        m_destination.kind = TPrinterDestination::Kind::File;
        m_destination.name = kFilePrinterName;
    }
    m_resolved = true;
}

void TPrinter::Refresh()
{
    CheckNotPrinting("change the printer");
    m_resolved = false;
}

TPrinterDestination TPrinter::Destination()
{
    ResolveDestination();
    return m_destination;
}

void TPrinter::SetDestination(const TPrinterDestination& destination)
{
    CheckNotPrinting("change the printer");
    m_destination = destination;
    m_resolved = true;
}

TPrinterPage TPrinter::Page()
{
    ResolveDestination();
    TPrinterPage page;
    if (m_destination.kind == TPrinterDestination::Kind::Spooler) {
        if (!m_backend || !m_backend->QueryPage(m_destination.name, page))
            throw EPrinter("No printer is available: the printer \"" + m_destination.name + "\" does not answer");
    } else if (m_destination.kind == TPrinterDestination::Kind::File) {
        // A file has no unprintable edge: the whole A4 sheet at 600 dpi.
        page.dpiX = page.dpiY = kFileDpi;
        page.paperWidth = page.printableWidth = MmToPixels(210, kFileDpi);
        page.paperHeight = page.printableHeight = MmToPixels(297, kFileDpi);
        page.mediaName = "iso_a4_210x297mm";
    } else {
        throw EPrinter("No printer is available");
    }
    if (m_orientation == poLandscape) {
        // The sheet turned a quarter: the margins turn with it.
        std::swap(page.dpiX, page.dpiY);
        std::swap(page.paperWidth, page.paperHeight);
        std::swap(page.printableWidth, page.printableHeight);
        std::swap(page.printableLeft, page.printableTop);
    }
    return page;
}

int TPrinter::PageWidth()
{
    return m_printing ? m_jobPage.printableWidth : Page().printableWidth;
}

int TPrinter::PageHeight()
{
    return m_printing ? m_jobPage.printableHeight : Page().printableHeight;
}

TStrings* TPrinter::Printers()
{
    m_printers.Clear();
    if (m_backend) {
        for (const AnsiString& queue : m_backend->Queues())
            m_printers.Add(queue);
    }
    m_printers.Add(kFilePrinterName);
    return &m_printers;
}

int TPrinter::PrinterIndex()
{
    ResolveDestination();
    TStrings* list = Printers();
    if (m_destination.kind == TPrinterDestination::Kind::File)
        return list->Count() - 1;
    for (int i = 0; i + 1 < list->Count(); ++i) {
        if (list->Strings(i) == m_destination.name)
            return i;
    }
    return -1;
}

void TPrinter::SetPrinterIndex(int index)
{
    TStrings* list = Printers();
    if (index == -1) {
        Refresh();
        return;
    }
    if (index < 0 || index >= list->Count())
        throw EPrinter("Printer index out of range");
    TPrinterDestination destination;
    if (index == list->Count() - 1) {
        destination.kind = TPrinterDestination::Kind::File;
        destination.name = kFilePrinterName;
    } else {
        destination.kind = TPrinterDestination::Kind::Spooler;
        destination.name = list->Strings(index);
    }
    SetDestination(destination);
}

void TPrinter::BeginDoc()
{
    CheckNotPrinting("start another job");
    TPrinterPage page = Page();
    if (m_destination.kind == TPrinterDestination::Kind::File && m_destination.fileName.empty())
        MakeFolders(UserDocumentsFolder() + "/Velmora Copier");
    m_jobPage = page;
    m_recording = std::make_unique<GdiRecording>(page.printableWidth, page.printableHeight, page.dpiX, page.dpiY);
    m_recordingDC = GdiCreateRecordingDC(m_recording.get());
    m_canvas.SetHandle(m_recordingDC);
    m_aborted = false;
    m_printing = true;
    m_pageNumber = 1;
}

void TPrinter::EndJob()
{
    m_canvas.SetHandle(nullptr);
    if (m_recordingDC)
        DeleteDC(m_recordingDC);
    m_recordingDC = nullptr;
    m_recording.reset();
    m_printing = false;
    m_pageNumber = 0;
}

void TPrinter::NewPage()
{
    if (!m_printing)
        throw EPrinter("Printer is not currently printing");
    // One page per job is what this printer object produces.
    throw EPrinter("Only one page per job can be printed");
}

void TPrinter::Abort()
{
    if (!m_printing)
        return;
    m_aborted = true;
    EndJob();
}

void TPrinter::EndDoc()
{
    if (!m_printing)
        throw EPrinter("Printer is not currently printing");
    // Drawing is over; the recording is what gets printed.
    m_canvas.SetHandle(nullptr);
    std::unique_ptr<GdiRecording> recording = std::move(m_recording);
    DeleteDC(m_recordingDC);
    m_recordingDC = nullptr;
    const TPrinterDestination destination = m_destination;
    const TPrinterPage page = m_jobPage;
    AnsiString temp;
    int job = 0;
    // Abort may run from a handler while the messages are pumped: stop then.
    auto pump = [this] {
        Pump();
        if (m_aborted)
            throw JobAborted {};
    };
    try {
        if (destination.kind == TPrinterDestination::Kind::File) {
            AnsiString folder, base;
            if (destination.fileName.empty()) {
                folder = UserDocumentsFolder() + "/Velmora Copier";
                base = FileBaseName(m_title);
            } else {
                size_t slash = destination.fileName.rfind('/');
                folder = slash == AnsiString::npos ? AnsiString(".") : destination.fileName.substr(0, slash ? slash : 1);
                base = FileBaseName(destination.fileName.substr(slash == AnsiString::npos ? 0 : slash + 1));
            }
            temp = MakeTempFile(folder, base);
            qtprint::RenderPdf(*recording, page, m_title, temp, pump);
            recording.reset();
            if (destination.fileName.empty()) {
                m_lastFileName = PublishUnique(temp, folder, base);
            } else {
                if (::rename(temp.c_str(), destination.fileName.c_str()) != 0) {
                    int error = errno;
                    throw EPrinter("Cannot write the print file \"" + destination.fileName + "\" (" + ErrorText(error) + ")");
                }
                m_lastFileName = destination.fileName;
            }
            temp.clear();
        } else {
            const char* tmp = std::getenv("TMPDIR");
            temp = MakeTempFile(tmp && *tmp ? tmp : "/tmp", "velmora-print");
            qtprint::RenderPdf(*recording, page, m_title, temp, pump);
            recording.reset();
            job = m_backend->Submit(destination.name, temp, m_title, m_copies, m_orientation, pump);
            m_lastJobId = job;
            ::unlink(temp.c_str());
            temp.clear();
            // Follow the job until the print system has taken it or turned it
            // down; a job it holds or stops would block the queue, so it goes.
            auto started = std::chrono::steady_clock::now();
            int unanswered = 0;
            for (;;) {
                TPrintSpooler::JobStatus status = m_backend->Status(destination.name, job);
                using State = TPrintSpooler::JobState;
                if (status.state == State::Completed)
                    break;
                // A print system that does not say how the job is doing cannot
                // be followed; the job is in its hands.
                if (status.state == State::Unknown && ++unanswered >= 20)
                    break;
                if (status.state == State::Held || status.state == State::Stopped) {
                    m_backend->Cancel(destination.name, job);
                    job = 0;
                    throw EPrinter("The printer \"" + destination.name + "\" did not accept the job"
                        + (status.message.empty() ? AnsiString() : " (" + status.message + ")") + "; it was cancelled");
                }
                if (status.state == State::Canceled || status.state == State::Aborted) {
                    job = 0;
                    throw EPrinter("The printer \"" + destination.name + "\" cancelled the job"
                        + (status.message.empty() ? AnsiString() : " (" + status.message + ")"));
                }
                auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
                if (waited.count() >= kWatchMilliseconds)
                    break; // queued behind other work: the print system carries on
                PumpAndWait(50);
                if (m_aborted)
                    throw JobAborted {};
            }
            job = 0;
        }
    } catch (...) {
        if (!temp.empty())
            ::unlink(temp.c_str());
        if (job)
            m_backend->Cancel(destination.name, job);
        bool aborted = m_aborted;
        EndJob();
        m_aborted = aborted;
        if (aborted)
            return; // Abort ended the job on purpose
        throw;
    }
    EndJob();
}

TPrinter* Printer()
{
    if (!g_printer)
        g_printer = new TPrinter;
    return g_printer;
}

TPrinter* SetPrinter(TPrinter* printer)
{
    TPrinter* previous = g_printer;
    g_printer = printer;
    return previous;
}
