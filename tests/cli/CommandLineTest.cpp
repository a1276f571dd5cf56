#include "cli/Options.h"
#include "io/FileAccess.h"
#include "io/Settings.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using Action = cli::ParsedCommandLine::Action;

QStringList commandLine(std::initializer_list<const char*> arguments) {
    QStringList list{"tamo-calibrate"};
    for (const char* a : arguments)
        list << QString::fromUtf8(a);
    return list;
}

TEST(CommandLine, UsageErrorsNameTheProblem) {
    const struct {
        QStringList arguments;
        const char* expected;
    } cases[] = {
        {commandLine({}), "no data file given"},
        {commandLine({"--format", "xml", "a.txt"}), "--format takes report or json"},
        {commandLine({"--ranges", "1,2,3", "a.txt"}), "--ranges needs four bounds"},
        {commandLine({"--ranges", "1;2;3;4;5", "a.txt"}), "--ranges needs four bounds"},
        {commandLine({"--bogus", "a.txt"}), "bogus"},
        {commandLine({"--pkw"}), "pkw"},
        {commandLine({"--settings", "/nonexistent/folder/TAMO.INI", "a.txt"}), "TAMO.INI"},
        {commandLine({"--plot", "titre", "--plot-out", "g.svg", "a.txt"}), "volume, ph or gran"},
        {commandLine({"--plot", "gran", "a.txt"}), "--plot needs --plot-out"},
        {commandLine({"--plot-out", "g.bmp", "a.txt"}), ".svg, .pdf or .png"},
        {commandLine({"--residuals-out", "r", "a.txt"}), ".svg, .pdf or .png"},
        {commandLine({"--plot-out", "g.svg", "a.txt", "b.txt"}), "one data file"},
        // A text without any number would silently be 0.
        {commandLine({"--temperature", "abc", "a.txt"}), "--temperature needs a number"},
        {commandLine({"--pkw", "", "a.txt"}), "--pkw needs a number"},
        {commandLine({"--gamma", "-", "a.txt"}), "--gamma needs a number"},
        {commandLine({"--ranges", "2.5,4,,11.3", "a.txt"}), "--ranges needs a number"},
        {commandLine({"--log", "l.sqlite", "a.txt"}), "--log needs --electrode NAME"},
        {commandLine({"--electrode", "g7", "a.txt"}), "--electrode names the electrode of --log"},
        {commandLine({"--log", "l.sqlite", "--electrode", " ", "a.txt"}), "--electrode needs a name"},
        {commandLine({"--branch", "alkali", "a.txt"}), "--branch takes acid or both"},
        {commandLine({"--refine-slope", "a.txt"}), "--refine-slope goes with --branch acid"},
        {commandLine({"--branch", "acid", "--refine-pkw", "a.txt"}),
         "--refine-pkw needs the alkali"},
        {commandLine({"--u-emf", "0.05", "a.txt"}), "--u-emf goes with --uncertainty"},
        {commandLine({"--uncertainty", "--u-emf", "5%", "a.txt"}),
         "--u-emf is in mV, not a percentage"},
        {commandLine({"--uncertainty", "--u-pkw", "-0.1", "a.txt"}), "--u-pkw cannot be negative"},
        {commandLine({"--uncertainty", "--u-titrand-volume", "ml", "a.txt"}),
         "--u-titrand-volume needs a number"},
        {commandLine({"--monte-carlo", "many", "a.txt"}), "--monte-carlo takes auto or a number"},
        {commandLine({"--monte-carlo", "10", "a.txt"}), "--monte-carlo takes auto or a number"},
    };
    for (const auto& c : cases) {
        const cli::ParsedCommandLine parsed = cli::parseCommandLine(c.arguments);
        EXPECT_EQ(parsed.action, Action::UsageError) << c.arguments.join(' ').toStdString();
        EXPECT_NE(parsed.text.find(c.expected), std::string::npos) << parsed.text;
        EXPECT_NE(parsed.text.find("--help"), std::string::npos) << parsed.text;
    }
}

TEST(CommandLine, OptionsKeepTheirTextsAsTyped) {
    const cli::ParsedCommandLine parsed =
        cli::parseCommandLine(commandLine({"--pkw",           "13,78",         "--ranges",
                                           "2,5;4;10,8;11,3", "--temperature", "20",
                                           "--gamma",         "1.02",          "--refine-gamma",
                                           "--format",        "json",          "-o",
                                           "out.jsonl",       "--plot",        "ph",
                                           "--plot-out",      "g.PDF",         "--residuals-out",
                                           "r.png",           "a.txt"}));
    ASSERT_EQ(parsed.action, Action::Run) << parsed.text;
    const cli::Options& o = parsed.options;
    EXPECT_EQ(o.inputs.pKbox, "13,78");
    EXPECT_EQ(o.inputs.Range, (std::array<std::string, 4>{"2,5", "4", "10,8", "11,3"}));
    EXPECT_EQ(o.inputs.Tbox, "20");
    EXPECT_EQ(o.inputs.GammaBox, "1.02");
    EXPECT_TRUE(o.inputs.RefineGamma);
    EXPECT_EQ(o.format, cli::OutputFormat::Json);
    EXPECT_EQ(o.outputPath, "out.jsonl");
    EXPECT_EQ(o.plotMode, plot::DisplayMode::EmfPH);
    EXPECT_EQ(o.plotPath, "g.PDF");
    EXPECT_EQ(o.residualsPath, "r.png");
    EXPECT_EQ(o.files, std::vector<std::string>{"a.txt"});
    // Without --plot the data plot is the Gran plot, the view a new titration opens on.
    EXPECT_EQ(cli::parseCommandLine(commandLine({"--plot-out", "g.svg", "a.txt"})).options.plotMode,
              plot::DisplayMode::Gran);
}

TEST(CommandLine, TextsWithALeadingNumberAreTakenAsTyped) {
    const cli::ParsedCommandLine parsed = cli::parseCommandLine(
        commandLine({"--temperature", "25 C", "--pkw", "9e99", "--gamma", ",98", "a.txt"}));
    ASSERT_EQ(parsed.action, Action::Run) << parsed.text;
    EXPECT_EQ(parsed.options.inputs.Tbox, "25 C");
    EXPECT_EQ(parsed.options.inputs.pKbox, "9e99");
    EXPECT_EQ(parsed.options.inputs.GammaBox, ",98");
}

TEST(CommandLine, ASettingsFileMustHoldEveryNumberItGives) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("TAMO.INI").toStdString();
    const std::string complete = "<range1>3</range1><range2>4.5</range2><range3>9</range3>"
                                 "<range4>10.5</range4><pKw>13.9</pKw>";
    const struct {
        std::string text;
        std::vector<const char*> options;
        const char* expected; ///< in the usage error, or nothing: accepted
    } cases[] = {
        {complete + "<temperature>20 C</temperature>", {}, nullptr},
        {complete, {}, "has no number in the tag <temperature>"},
        {complete + "<temperature></temperature>", {}, "has no number in the tag <temperature>"},
        {complete, {"--temperature", "20"}, nullptr}, // not taken from the file
        {"<pKw>13.9</pKw><temperature>20</temperature>", {}, "has no number in the tag <range1>"},
        {"<pKw>13.9</pKw><temperature>20</temperature>", {"--ranges", "3,4.5,9,10.5"}, nullptr},
    };
    for (const auto& c : cases) {
        std::ofstream(path, std::ios::binary) << c.text;
        QStringList arguments = commandLine({"--settings", path.c_str()});
        for (const char* option : c.options)
            arguments << option;
        arguments << "a.txt";
        const cli::ParsedCommandLine parsed = cli::parseCommandLine(arguments);
        SCOPED_TRACE(c.text);
        if (!c.expected) {
            ASSERT_EQ(parsed.action, Action::Run) << parsed.text;
            EXPECT_EQ(parsed.options.inputs.Range,
                      (std::array<std::string, 4>{"3", "4.5", "9", "10.5"}));
            EXPECT_EQ(parsed.options.inputs.Tbox, "20");
            continue;
        }
        EXPECT_EQ(parsed.action, Action::UsageError);
        EXPECT_NE(parsed.text.find(c.expected), std::string::npos) << parsed.text;
        EXPECT_NE(parsed.text.find(path), std::string::npos) << parsed.text;
    }
}

TEST(CommandLine, OptionsOverrideTheSettingsFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("TAMO.INI").toStdString();
    io::Settings stored;
    stored.range = {"3", "4.5", "9", "10.5"};
    stored.pKw = "13.9";
    stored.temperature = "20";
    stored.limits.rmsMax = 0.5;
    ASSERT_EQ(io::writeSettingsFile(path, stored), "");

    const cli::ParsedCommandLine parsed =
        cli::parseCommandLine(commandLine({"--settings", path.c_str(), "--pkw", "14", "a.txt"}));
    ASSERT_EQ(parsed.action, Action::Run) << parsed.text;
    EXPECT_EQ(parsed.options.inputs.Range, stored.range);
    EXPECT_EQ(parsed.options.inputs.pKbox, "14");
    EXPECT_EQ(parsed.options.inputs.Tbox, "20");
    EXPECT_TRUE(parsed.options.limits == stored.limits); // the verdict's limits come along
}

// The window's choices come along, so that both programs calibrate alike; a Gamma or
// pKw given on the command line is used as it is unless its refinement is asked for.
TEST(CommandLine, TheWindowsChoicesComeFromTheSettingsFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("TAMO.INI").toStdString();
    io::Settings stored;
    stored.choices = {"1.02", true, true, core::Branch::Both};
    ASSERT_EQ(io::writeSettingsFile(path, stored), "");
    struct Case {
        std::vector<const char*> options;
        const char* gamma;
        bool refineGamma, refinePKw;
        core::Branch branch;
    } cases[] = {
        {{}, "1.02", true, true, core::Branch::Both},
        {{"--gamma", "1.01"}, "1.01", false, true, core::Branch::Both},
        {{"--gamma", "1.01", "--refine-gamma"}, "1.01", true, true, core::Branch::Both},
        {{"--pkw", "14"}, "1.02", true, false, core::Branch::Both},
        {{"--pkw", "14", "--refine-pkw"}, "1.02", true, true, core::Branch::Both},
    };
    for (const Case& c : cases) {
        QStringList arguments = commandLine({"--settings", path.c_str()});
        for (const char* option : c.options)
            arguments << option;
        arguments << "a.txt";
        const cli::ParsedCommandLine parsed = cli::parseCommandLine(arguments);
        SCOPED_TRACE(arguments.join(' ').toStdString());
        ASSERT_EQ(parsed.action, Action::Run) << parsed.text;
        const core::Inputs& in = parsed.options.inputs;
        EXPECT_EQ(std::tuple(in.GammaBox, in.RefineGamma, in.RefinePKw, in.branch),
                  std::tuple(std::string(c.gamma), c.refineGamma, c.refinePKw, c.branch));
    }
    // Acid only from the file, and --branch both over it.
    stored.choices = {"1", false, false, core::Branch::Acid};
    ASSERT_EQ(io::writeSettingsFile(path, stored), "");
    for (const auto& [branchOption, branch] :
         {std::pair{"", core::Branch::Acid}, std::pair{"both", core::Branch::Both}}) {
        QStringList arguments = commandLine({"--settings", path.c_str()});
        if (*branchOption)
            arguments << "--branch" << branchOption;
        const cli::ParsedCommandLine parsed = cli::parseCommandLine(arguments << "a.txt");
        ASSERT_EQ(parsed.action, Action::Run) << parsed.text;
        EXPECT_EQ(parsed.options.inputs.branch, branch);
    }
}

TEST(CommandLine, AnUnusableLimitInTheSettingsFileIsToldAndTheDefaultsUsed) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("TAMO.INI").toStdString();
    std::string text = io::settingsText(io::Settings{});
    const std::string tag = "<rmsmax>1</rmsmax>";
    ASSERT_NE(text.find(tag), std::string::npos);
    text.replace(text.find(tag), tag.size(), "<rmsmax>abc</rmsmax>");
    ASSERT_EQ(io::writeFileAtomically(path, text), "");

    const cli::ParsedCommandLine parsed =
        cli::parseCommandLine(commandLine({"--settings", path.c_str(), "a.txt"}));
    ASSERT_EQ(parsed.action, Action::Run) << parsed.text;
    EXPECT_NE(parsed.options.settingsWarning.find("cannot be used"), std::string::npos);
    EXPECT_NE(parsed.options.settingsWarning.find(path), std::string::npos);
    EXPECT_TRUE(parsed.options.limits == core::VerdictLimits{});
}

TEST(CommandLine, UncertaintiesComeFromTheOptionsOverTheSettingsFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("TAMO.INI").toStdString();
    io::Settings stored = io::defaultSettings("/opt/tamo");
    stored.uncertainty[core::UncertaintyInput::TitrandVolume] =
        core::StatedUncertainty{0.03, false};
    stored.uncertainty[core::UncertaintyInput::PKw] = core::StatedUncertainty{0.05, false};
    ASSERT_EQ(io::writeSettingsFile(path, stored), "");
    const cli::ParsedCommandLine parsed = cli::parseCommandLine(
        commandLine({"--settings", path.c_str(), "--monte-carlo", "auto", "--u-pkw", "0.1%",
                     "--u-titrant-conc", "0.3 %", "a.txt"}));
    ASSERT_EQ(parsed.action, Action::Run) << parsed.text;
    const cli::Options& o = parsed.options;
    EXPECT_TRUE(o.uncertainty);
    EXPECT_EQ(o.monteCarloTrials, std::optional<std::size_t>(0));
    const auto stated = [&](core::UncertaintyInput input) {
        return o.uncertaintyInputs[input].value_or(core::StatedUncertainty{-1, false});
    };
    EXPECT_EQ(stated(core::UncertaintyInput::TitrandVolume).value, 0.03f);
    EXPECT_NEAR(stated(core::UncertaintyInput::PKw).value, 0.001, 1e-9);
    EXPECT_TRUE(stated(core::UncertaintyInput::PKw).relative);
    EXPECT_NEAR(stated(core::UncertaintyInput::TitrantConc).value, 0.003, 1e-9);
    EXPECT_FALSE(o.uncertaintyInputs[core::UncertaintyInput::Emf]);
}

TEST(CommandLine, HelpDocumentsEveryOptionWithAnExample) {
    const cli::ParsedCommandLine parsed = cli::parseCommandLine(commandLine({"--help"}));
    ASSERT_EQ(parsed.action, Action::ShowHelp);
    const auto options = parsed.text.find("Options:");
    ASSERT_NE(options, std::string::npos);
    for (const char* option :
         {"--ranges",        "--pkw",         "--temperature",   "--gamma",
          "--refine-gamma",  "--settings",    "--format",        "--output",
          "--plot",          "--plot-out",    "--residuals-out", "--log",
          "--electrode",     "--refine-pkw",  "--branch",        "--refine-slope",
          "--sensitivity",   "--uncertainty", "--monte-carlo",   "--u-titrand-volume",
          "--u-slope-factor"}) {
        const auto at = parsed.text.find(option, options);
        ASSERT_NE(at, std::string::npos) << option;
        const auto next = parsed.text.find("\n  -", at);
        const std::string description = parsed.text.substr(at, next - at);
        EXPECT_NE(description.find("e.g."), std::string::npos) << description;
    }
    EXPECT_NE(parsed.text.find("Examples:"), std::string::npos);
}

} // namespace
