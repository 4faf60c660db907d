#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using Action = CommandLine::Request::Action;

TEST(CommandLineTest, HelpVersionAndMistakesAreDecidedBeforeTheApplicationStarts)
{
    struct Case {
        const char* name;
        QStringList arguments; // after the program
        Action action;
        QString error;
    };
    const Case cases[] = {
        {"nothing", {}, Action::run, {}},
        {"help", {"--help"}, Action::help, {}},
        {"short help", {"-h"}, Action::help, {}},
        {"version", {"--version"}, Action::version, {}},
        {"the first request decides", {"--version", "--bogus"}, Action::version, {}},
        {"a mistake before help", {"--bogus", "--help"}, Action::error, "unknown option '--bogus'"},
        {"unknown long option", {"--frobnicate"}, Action::error, "unknown option '--frobnicate'"},
        {"unknown short option", {"-x"}, Action::error, "unknown option '-x'"},
        {"an argument that is no option is a folder", {"notes"}, Action::run, {}},
        {"preview folder", {"--preview-skin", "/skins/a"}, Action::run, {}},
        {"preview folder that looks like an option", {"--preview-skin", "--help"}, Action::run, {}},
        {"preview as the last argument is let through", {"--preview-skin"}, Action::run, {}},
        {"two previews", {"--preview-skin", "a", "--preview-skin", "b"}, Action::run, {}},
        {"a folder after a preview", {"--preview-skin", "a", "b"}, Action::run, {}},
        {"folder paths run to the next option", {"--open-tab", "/a", "b", "--version"}, Action::version, {}},
        {"open window with no folder", {"--open-window"}, Action::run, {}},
        {"Qt option with a value", {"-platform", "offscreen", "-style", "Fusion"}, Action::run, {}},
        {"Qt option with two dashes and =", {"--platform=xcb", "-reverse"}, Action::run, {}},
        {"Qt display", {"-display", ":1", "-geometry", "100x100"}, Action::run, {}},
        {"Qt option missing its value", {"-platform"}, Action::error, "option '-platform' needs a value"},
    };
    for (const Case& c : cases) {
        const CommandLine::Request request = CommandLine::parse(QStringList{"velmora"} + c.arguments);
        EXPECT_EQ(request.action, c.action) << c.name;
        EXPECT_EQ(request.error, c.error) << c.name;
    }
}

TEST(CommandLineTest, ArgumentsThatAreNoOptionAreFolders)
{
    struct Case {
        QStringList arguments; // after the program
        QStringList folders;
    };
    const Case cases[] = {
        {{}, {}},
        {{"/srv/a", "b"}, {"/srv/a", "b"}},
        {{"--preview-skin", "skin", "work"}, {"work"}},
        {{"-display", ":1", "work", "-style", "Fusion"}, {"work"}},
        {{"--open-tab", "/a", "b"}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CommandLine::parse(QStringList{"velmora"} + c.arguments).folders, c.folders)
            << c.arguments.join(' ').toStdString();
}

TEST(CommandLineTest, TheVersionLineAndTheUsageNameEveryOption)
{
    EXPECT_TRUE(CommandLine::versionLine().startsWith(QStringLiteral("Velmora 0.1.0 (")))
        << CommandLine::versionLine().toStdString();
    const QString usage = CommandLine::usage();
    EXPECT_TRUE(usage.startsWith(QStringLiteral("Usage: velmora")));
    for (const char* option : {"--preview-skin DIR", "--open-window [DIR]", "--open-tab [DIR]", "--help", "--version"})
        EXPECT_TRUE(usage.contains(QString::fromLatin1(option))) << option;
    EXPECT_EQ(CommandLine::respond({Action::run, {}, {}}), std::nullopt);
}

} // namespace
} // namespace velmora
