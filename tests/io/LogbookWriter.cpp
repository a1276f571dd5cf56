// Appends sample records to a logbook, reporting each one on standard output
// once its transaction has committed. Used by the tests that kill a writer or
// run several at once:
//   logbook_writer LOGBOOK FIRST
//       writes records FIRST, FIRST + 1, ... until it is killed;
//   logbook_writer LOGBOOK FIRST COUNT ELECTRODE [refuse]
//       waits for a line on standard input, then writes COUNT records of the
//       electrode, refusing those the logbook holds already when asked to
//       ("duplicate N" instead of "committed N").

#include "SampleRecord.h"
#include "io/Logbook.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 5 && argc != 6)
        return 2;
    io::Logbook logbook;
    if (const std::string error = logbook.open(argv[1]); !error.empty()) {
        std::printf("error %s\n", error.c_str());
        return 1;
    }
    std::printf("open\n");
    std::fflush(stdout);
    const int first = std::atoi(argv[2]);
    const int count = argc > 3 ? std::atoi(argv[3]) : 100000;
    const std::string electrode = argc > 4 ? argv[4] : "crash test";
    const auto duplicates =
        argc > 5 ? io::Logbook::Duplicates::Refuse : io::Logbook::Duplicates::Keep;
    if (argc > 3) {
        char line[16];
        if (!std::fgets(line, sizeof line, stdin))
            return 2;
    }
    for (int n = first; n < first + count; ++n) {
        io::LogbookRecord record = logbooktest::sampleRecord(n, electrode);
        long long duplicate = 0;
        if (const std::string error = logbook.add(record, duplicates, &duplicate);
            !error.empty() && duplicate == 0) {
            std::printf("error %s\n", error.c_str());
            return 1;
        }
        std::printf("%s %d\n", duplicate != 0 ? "duplicate" : "committed", n);
        std::fflush(stdout);
        // A pause between writes, as a batch calibrating files has: without one,
        // another writer waiting for the lock would hardly ever get it.
        QThread::msleep(2);
    }
    return 0;
}
