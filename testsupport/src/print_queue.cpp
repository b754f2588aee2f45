#include "testsupport/print_queue.h"

#include <cups/cups.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "test_kind.h"

namespace papyrion::test {

namespace {

struct IppFree {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};

std::unique_ptr<ipp_t, IppFree> JobAttributes(int job_id) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    char uri[256];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                     "/jobs/%d", job_id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    return std::unique_ptr<ipp_t, IppFree>(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
}

int IntegerOf(ipp_t* response, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    return attribute ? ippGetInteger(attribute, 0) : 0;
}

std::string TextOf(ipp_t* response, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    const char* text = attribute ? ippGetString(attribute, 0, nullptr) : nullptr;
    return text ? text : "";
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string TestPrinter() {
    const char* printer = std::getenv("PAPYRION_TEST_PRINTER");
    return printer ? printer : "";
}

std::filesystem::path TestPrinterOut() {
    const char* out = std::getenv("PAPYRION_TEST_PRINTER_OUT");
    return out ? out : "";
}

FinishedJob WaitForJob(int job_id) {
    NoteExternalProgram("the print queue");
    FinishedJob job;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    std::unique_ptr<ipp_t, IppFree> response;
    while (std::chrono::steady_clock::now() < give_up) {
        response = JobAttributes(job_id);
        job.state = response ? IntegerOf(response.get(), "job-state") : 0;
        if (job.state >= IPP_JSTATE_STOPPED && job.state != IPP_JSTATE_HELD) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (response) {
        job.copies = IntegerOf(response.get(), "copies");
        job.orientation = IntegerOf(response.get(), "orientation-requested");
        job.sides = TextOf(response.get(), "sides");
        job.media = TextOf(response.get(), "media");
        job.title = TextOf(response.get(), "job-name");
    }
    const std::filesystem::path out = TestPrinterOut();
    if (!out.empty() && job.state == IPP_JSTATE_COMPLETED) {
        const std::string suffix = "-job_" + std::to_string(job_id) + ".pdf";
        // cups-pdf writes the file before the job counts as completed; give
        // the file system a moment all the same.
        for (int attempt = 0; attempt < 50 && job.output.empty(); ++attempt) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(out, error)) {
                if (EndsWith(entry.path().filename().string(), suffix)) job.output = entry.path();
            }
            if (job.output.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    return job;
}

int LatestJobTitled(const std::string& title) {
    NoteExternalProgram("the print queue");
    cups_job_t* jobs = nullptr;
    const std::string printer = TestPrinter();
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.c_str(), 0, CUPS_WHICHJOBS_ALL);
    int latest = 0;
    for (int i = 0; i < count; ++i) {
        if (jobs[i].title != nullptr && title == jobs[i].title && jobs[i].id > latest) {
            latest = jobs[i].id;
        }
    }
    cupsFreeJobs(count, jobs);
    return latest;
}

FinishedJob WaitForJobTitled(const std::string& title, int newer_than) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < give_up) {
        const int job = LatestJobTitled(title);
        if (job > newer_than) return WaitForJob(job);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}

}  // namespace papyrion::test
