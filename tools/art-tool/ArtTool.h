#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

// What the programs that draw Velmora's pictures at build time share: an
// offscreen application, the check of their arguments and the PNG output.
namespace ArtTool {

// Runs draw with the program's arguments (its own name left out) in an
// offscreen application when there are exactly as many as operands names
// (words such as "OUTDIR"), and returns 0 when draw succeeds, 1 when it
// fails. "-h" and "--help" print "usage: NAME OPERANDS", and "--version"
// "NAME VERSION", on standard output and return 0. Other arguments that
// begin with "-" are options it does not know, never operands ("--" ends the
// options): they, and a wrong count of operands, print what is wrong and the
// usage on standard error and return 2.
int run(int argc, char** argv, const char* name, const char* operands,
        const std::function<bool(const QStringList& arguments)>& draw);

// Writes the picture as a PNG at the highest compression, making the folders
// on the way; a failure is told on standard error under the program's name.
bool writePng(const QImage& image, const QString& path);

} // namespace ArtTool
