#include "app/CommandLine.h"

#include "core/AppInfo.h"
#include "corvel/qt/ProgramStart.h"

#include <cstdio>

namespace velmora::CommandLine {
namespace {

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

Request parse(const QStringList& arguments)
{
    const auto error = [](const QString& message) { return Request{Request::Action::error, message, {}}; };
    Request request;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return {Request::Action::help, {}, {}};
        if (argument == QLatin1String("--version"))
            return {Request::Action::version, {}, {}};
        if (argument == QLatin1String("--preview-skin")) {
            ++i; // its folder; as the last argument the option is ignored
            continue;
        }
        if (argument == QLatin1String("--open-window") || argument == QLatin1String("--open-tab")) {
            // Its paths run up to the next option.
            while (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1String("--")))
                ++i;
            continue;
        }
        if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            const corvel::ProgramStart::QtOption qtOption = corvel::ProgramStart::qtOption(argument);
            if (qtOption == corvel::ProgramStart::QtOption::flag)
                continue;
            if (qtOption == corvel::ProgramStart::QtOption::withValue) {
                if (!argument.contains(QLatin1Char('='))) {
                    if (i + 1 >= arguments.size())
                        return error(QStringLiteral("option '%1' needs a value").arg(argument));
                    ++i;
                }
                continue;
            }
            return error(QStringLiteral("unknown option '%1'").arg(argument));
        }
        request.folders.append(argument);
    }
    return request;
}

QString usage()
{
    return QStringLiteral("Usage: velmora [OPTIONS] [DIR]\n"
                          "\n"
                          "A velmora started while Velmora runs hands its request to the running one and\n"
                          "ends: DIR or a folder option, a preview, or else bringing its windows forward.\n"
                          "\n"
                          "Options:\n"
                          "  DIR                  open a new window whose shell starts in DIR\n"
                          "  --preview-skin DIR   open one window with the skin in DIR, without installing it\n"
                          "  --open-window [DIR]  open a new window whose shell starts in DIR (the home folder)\n"
                          "  --open-tab [DIR]     open a new tab in DIR (the home folder), in the frontmost\n"
                          "                       window\n"
                          "  -h, --help           show this help and exit\n"
                          "  --version            show the version and exit\n");
}

QString versionLine() { return QStringLiteral("Velmora %1 (%2)").arg(AppInfo::shortVersion(), AppInfo::build()); }

std::optional<int> respond(const Request& request)
{
    switch (request.action) {
    case Request::Action::run: return std::nullopt;
    case Request::Action::help: print(stdout, usage()); return 0;
    case Request::Action::version: print(stdout, versionLine() + QLatin1Char('\n')); return 0;
    case Request::Action::error: print(stderr, QStringLiteral("velmora: %1\n").arg(request.error) + usage()); return 2;
    }
    return std::nullopt;
}

} // namespace velmora::CommandLine
