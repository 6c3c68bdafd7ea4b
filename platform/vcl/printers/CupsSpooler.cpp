#include "platform/vcl/printers/CupsSpooler.h"
#include <cups/cups.h>
#include <cstdio>
#include <memory>

namespace {

// The destinations of the print system, freed with the holder.
struct Dests {
    cups_dest_t* list { nullptr };
    int count { 0 };
    Dests() { count = cupsGetDests2(CUPS_HTTP_DEFAULT, &list); }
    ~Dests() { cupsFreeDests(count, list); }
    cups_dest_t* Find(const AnsiString& name) { return cupsGetDest(name.c_str(), nullptr, count, list); }
};

struct DestInfo {
    cups_dinfo_t* info { nullptr };
    explicit DestInfo(cups_dest_t* dest) { info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest); }
    ~DestInfo() { cupsFreeDestInfo(info); }
};

int ToPixels(int hundredthsOfMm, int dpi)
{
    return static_cast<int>((static_cast<int64_t>(hundredthsOfMm) * dpi + 1270) / 2540);
}

AnsiString LastError()
{
    const char* text = cupsLastErrorString();
    return text && *text ? AnsiString(text) : AnsiString("unknown error");
}

} // namespace

std::vector<AnsiString> TCupsSpooler::Queues()
{
    Dests dests;
    std::vector<AnsiString> names;
    for (int i = 0; i < dests.count; ++i) {
        if (!dests.list[i].instance)
            names.emplace_back(dests.list[i].name);
    }
    return names;
}

AnsiString TCupsSpooler::DefaultQueue()
{
    Dests dests;
    for (int i = 0; i < dests.count; ++i) {
        if (dests.list[i].is_default && !dests.list[i].instance)
            return dests.list[i].name;
    }
    // No default set: a single queue is the obvious one.
    if (dests.count == 1)
        return dests.list[0].name;
    return {};
}

bool TCupsSpooler::QueryPage(const AnsiString& queue, TPrinterPage& page)
{
    Dests dests;
    cups_dest_t* dest = dests.Find(queue);
    if (!dest)
        return false;
    DestInfo info(dest);
    if (!info.info)
        return false;
    int dpi = 600;
    if (ipp_attribute_t* res = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info.info, "printer-resolution")) {
        ipp_res_t units;
        int y = 0;
        int x = ippGetResolution(res, 0, &y, &units);
        if (units == IPP_RES_PER_CM)
            x = x * 254 / 100;
        if (x >= 72 && x <= 4800)
            dpi = x;
    }
    cups_size_t size {};
    if (!cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info.info, CUPS_MEDIA_FLAGS_DEFAULT, &size))
        return false;
    if (size.width <= 0 || size.length <= 0)
        return false;
    page.dpiX = page.dpiY = dpi;
    page.paperWidth = ToPixels(size.width, dpi);
    page.paperHeight = ToPixels(size.length, dpi);
    page.printableLeft = ToPixels(size.left, dpi);
    page.printableTop = ToPixels(size.top, dpi);
    page.printableWidth = page.paperWidth - page.printableLeft - ToPixels(size.right, dpi);
    page.printableHeight = page.paperHeight - page.printableTop - ToPixels(size.bottom, dpi);
    page.mediaName = size.media;
    return page.printableWidth > 0 && page.printableHeight > 0;
}

int TCupsSpooler::Submit(const AnsiString& queue, const AnsiString& pdfFile, const AnsiString& title, int copies,
    TPrinterOrientation orientation, const std::function<void()>& pump)
{
    Dests dests;
    cups_dest_t* dest = dests.Find(queue);
    if (!dest)
        throw EPrinter("The printer \"" + queue + "\" is not available");
    DestInfo info(dest);
    if (!info.info)
        throw EPrinter("The printer \"" + queue + "\" does not answer: " + LastError());

    std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(pdfFile.c_str(), "rb"), &std::fclose);
    if (!in)
        throw EPrinter("Cannot read the print file \"" + pdfFile + "\"");

    cups_option_t* options = nullptr;
    int count = 0;
    count = cupsAddOption("copies", std::to_string(copies).c_str(), count, &options);
    count = cupsAddOption("orientation-requested", orientation == poLandscape ? "4" : "3", count, &options);
    int job = 0;
    ipp_status_t status = cupsCreateDestJob(CUPS_HTTP_DEFAULT, dest, info.info, &job, title.c_str(), count, options);
    cupsFreeOptions(count, options);
    if (status > IPP_STATUS_OK_CONFLICTING || job <= 0)
        throw EPrinter("The printer \"" + queue + "\" refused the job: " + LastError());

    auto fail = [&](const AnsiString& what) {
        AnsiString message = "The printer \"" + queue + "\" refused the job: " + what;
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest, job);
        throw EPrinter(message);
    };
    try {
        if (cupsStartDestDocument(CUPS_HTTP_DEFAULT, dest, info.info, job, title.c_str(), CUPS_FORMAT_PDF, 0, nullptr, 1)
            != HTTP_STATUS_CONTINUE)
            fail(LastError());
        char buffer[64 * 1024];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
            if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, buffer, n) != HTTP_STATUS_CONTINUE) {
                cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest, info.info);
                fail(LastError());
            }
            if (pump)
                pump();
        }
        if (std::ferror(in.get())) {
            cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest, info.info);
            fail("the print file could not be read");
        }
        if (cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest, info.info) > IPP_STATUS_OK_CONFLICTING)
            fail(LastError());
    } catch (const EPrinter&) {
        throw; // fail() has cancelled the job
    } catch (...) {
        // Stopped from outside (the job was aborted while the data went out):
        // no half-sent job stays behind.
        cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest, info.info);
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest, job);
        throw;
    }
    return job;
}

TPrintSpooler::JobStatus TCupsSpooler::Status(const AnsiString& queue, int job)
{
    JobStatus result;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/jobs/%d", job);
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    static const char* const wanted[] = { "job-state", "job-state-reasons", "job-printer-state-message" };
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!response)
        return result;
    if (ipp_attribute_t* a = ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) {
        switch (ippGetInteger(a, 0)) {
        case IPP_JSTATE_PENDING: result.state = JobState::Pending; break;
        case IPP_JSTATE_HELD: result.state = JobState::Held; break;
        case IPP_JSTATE_PROCESSING: result.state = JobState::Processing; break;
        case IPP_JSTATE_STOPPED: result.state = JobState::Stopped; break;
        case IPP_JSTATE_CANCELED: result.state = JobState::Canceled; break;
        case IPP_JSTATE_ABORTED: result.state = JobState::Aborted; break;
        case IPP_JSTATE_COMPLETED: result.state = JobState::Completed; break;
        default: break;
        }
    }
    if (ipp_attribute_t* a = ippFindAttribute(response, "job-printer-state-message", IPP_TAG_TEXT)) {
        if (const char* text = ippGetString(a, 0, nullptr))
            result.message = text;
    }
    if (result.message.empty()) {
        if (ipp_attribute_t* a = ippFindAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD)) {
            if (const char* text = ippGetString(a, 0, nullptr))
                result.message = text;
        }
    }
    ippDelete(response);
    // A job waiting on a stopped queue blocks it as much as a held one does.
    if (result.state == JobState::Pending) {
        Dests dests;
        if (cups_dest_t* dest = dests.Find(queue)) {
            const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
            if (state && std::atoi(state) == IPP_PSTATE_STOPPED) {
                result.state = JobState::Stopped;
                if (const char* why = cupsGetOption("printer-state-reasons", dest->num_options, dest->options))
                    result.message = why;
            }
        }
    }
    return result;
}

void TCupsSpooler::Cancel(const AnsiString& queue, int job)
{
    cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.c_str(), job, 0);
}
