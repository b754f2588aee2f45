#pragma once
// The private cups-pdf test queue that scripts/test-cups sets up.

#include <filesystem>
#include <string>

namespace papyrion::test {

// The queue's name (PAPYRION_TEST_PRINTER), "" when the tests run without one.
std::string TestPrinter();
// The folder where the queue writes its PDFs (PAPYRION_TEST_PRINTER_OUT).
std::filesystem::path TestPrinterOut();

struct FinishedJob {
    int state = 0;                 // IPP job-state (9 completed), 0 when unknown
    std::filesystem::path output;  // the PDF the queue wrote, empty when none
    int copies = 0;                // job attributes as the scheduler holds them
    int orientation = 0;
    std::string sides;
    std::string media;
    std::string title;
};

// Waits (at most a minute) until the scheduler has finished the job, then
// reads its attributes and finds the PDF that the cups-pdf queue wrote.
FinishedJob WaitForJob(int job_id);

// The newest job of the test queue with this title, 0 when there is none.
int LatestJobTitled(const std::string& title);

// Waits (at most a minute) for a job with this title newer than
// `newer_than` (a job id) to appear on the test queue, then for it to
// finish. state 0 when none appeared.
FinishedJob WaitForJobTitled(const std::string& title, int newer_than = 0);

}  // namespace papyrion::test
