#include "corvel/qt/ProgramStart.h"

#include <QSet>

#include <cstdio>

#include <xcb/xcb.h>

namespace corvel::ProgramStart {
namespace {

const QSet<QString>& qtOptionsWithValue()
{
    static const QSet<QString> options{
        QStringLiteral("platform"),
        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),
        QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowtitle"),
        QStringLiteral("qwindowicon"),
        QStringLiteral("geometry"),
        QStringLiteral("title"),
        QStringLiteral("icon"),
        QStringLiteral("display"),
        QStringLiteral("name"),
        QStringLiteral("session"),
        QStringLiteral("style"),
        QStringLiteral("stylesheet"),
    };
    return options;
}

const QSet<QString>& qtFlags()
{
    static const QSet<QString> options{
        QStringLiteral("reverse"),
        QStringLiteral("widgetcount"),
        QStringLiteral("nograb"),
        QStringLiteral("dograb"),
        QStringLiteral("sync"),
    };
    return options;
}

// "platform" for "-platform", "--platform" and "-platform=xcb".
QString qtOptionName(const QString& argument)
{
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    return name.section(QLatin1Char('='), 0, 0);
}

// The value of Qt's option with that name: the last one given wins, as in Qt.
std::optional<QString> qtOptionValue(const QStringList& arguments, const QString& name)
{
    std::optional<QString> value;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (qtOption(argument) != QtOption::withValue)
            continue;
        const bool hasInlineValue = argument.contains(QLatin1Char('='));
        if (qtOptionName(argument) == name) {
            if (hasInlineValue)
                value = argument.section(QLatin1Char('='), 1);
            else if (i + 1 < arguments.size())
                value = arguments.at(i + 1);
        }
        if (!hasInlineValue)
            ++i;
    }
    return value;
}

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

QStringList arguments(int argc, char** argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

QtOption qtOption(const QString& argument)
{
    if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("--"))
        return QtOption::none;
    const QString name = qtOptionName(argument);
    if (qtFlags().contains(name))
        return QtOption::flag;
    if (qtOptionsWithValue().contains(name))
        return QtOption::withValue;
    return QtOption::none;
}

QStringList withoutQtOptions(const QStringList& arguments)
{
    QStringList kept = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            // After "--" nothing is an option.
            kept += arguments.mid(i);
            break;
        }
        switch (qtOption(argument)) {
        case QtOption::none: kept.append(argument); break;
        case QtOption::flag: break;
        case QtOption::withValue:
            if (!argument.contains(QLatin1Char('=')))
                ++i;
            break;
        }
    }
    return kept;
}

QString usage(const QCommandLineParser& parser, const Program& program)
{
    // Qt's own usage line names the executable by its path, or not at all
    // before the application exists; the rest of its text is kept.
    const QString text = parser.helpText();
    const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
    const QString rest = firstLineEnd < 0 ? QString(QLatin1Char('\n')) : text.mid(firstLineEnd);
    return QStringLiteral("Usage: %1 %2").arg(program.name, program.synopsis) + rest;
}

std::optional<int> readCommandLine(QCommandLineParser& parser, const Program& program, const QStringList& arguments)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);

    QStringList ownArguments = withoutQtOptions(arguments);
    if (ownArguments.isEmpty())
        ownArguments.append(program.name);
    else
        ownArguments.first() = program.name;
    if (!parser.parse(ownArguments)) {
        print(stderr, QStringLiteral("%1: %2\n").arg(program.name, parser.errorText()) + usage(parser, program));
        return 2;
    }
    // The first of help and version decides.
    for (const QString& name : parser.optionNames()) {
        if (name == QLatin1String("h") || name == QLatin1String("help")) {
            print(stdout, usage(parser, program));
            return 0;
        }
        if (name == QLatin1String("version")) {
            print(stdout, QStringLiteral("%1 %2\n").arg(program.name, program.version));
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<QString> unreachableDisplay(const QStringList& arguments)
{
    const QString platforms
        = qtOptionValue(arguments, QStringLiteral("platform")).value_or(qEnvironmentVariable("QT_QPA_PLATFORM"));
    // "xcb", "wayland;xcb", "offscreen:fontengine=freetype": the first decides.
    const QString platform = platforms.section(QLatin1Char(';'), 0, 0).section(QLatin1Char(':'), 0, 0).trimmed();
    if (!platform.isEmpty() && platform != QLatin1String("xcb"))
        return std::nullopt;
    if (platform.isEmpty() && !qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty())
        return std::nullopt;

    const QString display
        = qtOptionValue(arguments, QStringLiteral("display")).value_or(qEnvironmentVariable("DISPLAY"));
    if (display.isEmpty())
        return display;
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (reachable)
        return std::nullopt;
    return display;
}

QString cannotOpenDisplayMessage(const QString& program, const QString& display)
{
    return display.isEmpty() ? QStringLiteral("%1: cannot open display").arg(program)
                             : QStringLiteral("%1: cannot open display %2").arg(program, display);
}

std::optional<int> requireDisplay(const QString& program, const QStringList& arguments)
{
    const std::optional<QString> display = unreachableDisplay(arguments);
    if (!display)
        return std::nullopt;
    print(stderr, cannotOpenDisplayMessage(program, *display) + QLatin1Char('\n'));
    return 1;
}

} // namespace corvel::ProgramStart
