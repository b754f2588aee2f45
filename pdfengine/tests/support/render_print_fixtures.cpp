#include "support/render_print_fixtures.h"

#include <cstdio>
#include <cstdlib>

#include "render/jpeg_codec.h"
#include "support/pdf_fixtures.h"

namespace papyrion::pdf::testing {

std::string ColouredPagesPdf(const std::vector<ColouredPage>& pages) {
    std::vector<FixtureObject> objects;
    objects.push_back({1, "<< /Type /Catalog /Pages 2 0 R >>"});
    std::string kids;
    const int count = static_cast<int>(pages.size());
    for (int i = 0; i < count; ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
    objects.push_back(
        {2, "<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(count) + " >>"});
    for (int i = 0; i < count; ++i) {
        const ColouredPage& page = pages[static_cast<std::size_t>(i)];
        char content[200];
        std::snprintf(content, sizeof content, "%.3f %.3f %.3f rg 0 0 %g %g re f",
                      page.colour.r / 255.0, page.colour.g / 255.0, page.colour.b / 255.0,
                      page.width, page.height);
        char box[100];
        std::snprintf(box, sizeof box, "[ 0 0 %g %g ]", page.width, page.height);
        objects.push_back({3 + 2 * i, "<< /Type /Page /Parent 2 0 R /MediaBox " + std::string(box) +
                                          " /Contents " + std::to_string(4 + 2 * i) + " 0 R >>"});
        objects.push_back({4 + 2 * i, "<< /Length " + std::to_string(std::string(content).size()) +
                                          " >>\nstream\n" + content + "\nendstream"});
    }
    return BuildClassicPdf(objects);
}

std::optional<RgbBitmap> ReadJpegFile(const std::filesystem::path& path) {
    return DecodeJpeg(ReadFileBytes(path));
}

Rgb CentrePixel(const RgbBitmap& bitmap) {
    const std::size_t at =
        (static_cast<std::size_t>(bitmap.height / 2) * static_cast<std::size_t>(bitmap.width) +
         static_cast<std::size_t>(bitmap.width / 2)) *
        3;
    return {bitmap.pixels[at], bitmap.pixels[at + 1], bitmap.pixels[at + 2]};
}

bool Near(Rgb pixel, Rgb wanted, int tolerance) {
    return std::abs(pixel.r - wanted.r) <= tolerance && std::abs(pixel.g - wanted.g) <= tolerance &&
           std::abs(pixel.b - wanted.b) <= tolerance;
}

PixelDifference Compare(const RgbBitmap& a, const RgbBitmap& b) {
    PixelDifference result;
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) {
        result.mean = 255;
        result.share_far_off = 1;
        return result;
    }
    double sum = 0;
    std::size_t far_off = 0;
    for (std::size_t i = 0; i < a.pixels.size(); i += 3) {
        int worst = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const int d = std::abs(int{a.pixels[i + c]} - int{b.pixels[i + c]});
            sum += d;
            if (d > worst) worst = d;
        }
        if (worst > 64) ++far_off;
    }
    result.mean = sum / static_cast<double>(a.pixels.size());
    result.share_far_off = static_cast<double>(far_off) / static_cast<double>(a.pixels.size() / 3);
    return result;
}

}  // namespace papyrion::pdf::testing

#include <cups/cups.h>

#include <chrono>
#include <thread>

namespace papyrion::pdf::testing {

std::string TestPrinter() {
    const char* printer = std::getenv("PAPYRION_TEST_PRINTER");
    return printer ? printer : "";
}

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

}  // namespace

FinishedJob WaitForJob(int job_id) {
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
    const char* out = std::getenv("PAPYRION_TEST_PRINTER_OUT");
    if (out != nullptr && job.state == IPP_JSTATE_COMPLETED) {
        const std::string suffix = "-job_" + std::to_string(job_id) + ".pdf";
        // cups-pdf writes the file before the job counts as completed; give
        // the file system a moment all the same.
        for (int attempt = 0; attempt < 50 && job.output.empty(); ++attempt) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(out, error)) {
                const std::string name = entry.path().filename().string();
                if (name.size() >= suffix.size() &&
                    name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                    job.output = entry.path();
                }
            }
            if (job.output.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    return job;
}

int QpdfPageCount(const std::filesystem::path& pdf) {
    const auto result =
        RunCommand("qpdf --show-npages " + ShellQuote(pdf.string()) + " 2>/dev/null");
    if (result.exit_code != 0 && result.exit_code != 3) return -1;
    try {
        return std::stoi(result.output);
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace papyrion::pdf::testing

namespace papyrion::pdf::testing {

int LatestJobTitled(const std::string& title) {
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

}  // namespace papyrion::pdf::testing
