// Appends sample records to a logbook until it is killed, reporting each one
// on standard output once its transaction has committed. Used by the crash test:
//   logbook_writer LOGBOOK FIRST   writes records FIRST, FIRST + 1, ...

#include "SampleRecord.h"
#include "io/Logbook.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    io::Logbook logbook;
    if (const std::string error = logbook.open(argv[1]); !error.empty()) {
        std::printf("error %s\n", error.c_str());
        return 1;
    }
    std::printf("open\n");
    std::fflush(stdout);
    const int first = std::atoi(argv[2]);
    for (int n = first; n < first + 100000; ++n) {
        io::LogbookRecord record = logbooktest::sampleRecord(n, "crash test");
        if (const std::string error = logbook.add(record); !error.empty()) {
            std::printf("error %s\n", error.c_str());
            return 1;
        }
        std::printf("committed %d\n", n);
        std::fflush(stdout);
        // A pause between writes, as a batch calibrating files has: without one,
        // another writer waiting for the lock would hardly ever get it.
        QThread::msleep(2);
    }
    return 0;
}
