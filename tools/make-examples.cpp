// tamo-make-examples OUTDIR: writes the bundled example titrations into OUTDIR.
#include "Examples.h"

#include <QDir>
#include <QString>
#include <iostream>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "Usage: tamo-make-examples OUTDIR\n";
        return 2;
    }
    const std::string folder = argv[1];
    if (!QDir().mkpath(QString::fromStdString(folder))) {
        std::cerr << "tamo-make-examples: cannot create the folder \"" << folder << "\"\n";
        return 1;
    }
    if (const std::string error = examples::writeExamples(folder); !error.empty()) {
        std::cerr << "tamo-make-examples: " << error << '\n';
        return 1;
    }
    for (const examples::Example& example : examples::bundledExamples())
        std::cout << folder << '/' << example.fileName << '\n';
    return 0;
}
