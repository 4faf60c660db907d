#include "core/DeviceIdentifier.h"

#include "support/ScopedEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

const QRegularExpression uuidShape("^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$");

void writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TEST(DeviceIdentifierTest, MachineIdGivesAStableKeyedIdentifier)
{
    const QString a = DeviceIdentifier::fromMachineId("0123456789abcdef0123456789abcdef\n");
    EXPECT_TRUE(uuidShape.match(a).hasMatch()) << a.toStdString();
    EXPECT_EQ(DeviceIdentifier::fromMachineId("  0123456789ABCDEF0123456789ABCDEF "), a);
    EXPECT_NE(DeviceIdentifier::fromMachineId("0123456789abcdef0123456789abcdee"), a);
    // The machine id itself does not show through.
    EXPECT_FALSE(QString(a).remove('-').contains("0123456789abcdef"));
}

TEST(DeviceIdentifierTest, TextThatIsNoMachineIdGivesNothing)
{
    for (const char* text : {"",
                             "uninitialized",
                             "0123456789abcdef",
                             "0123456789abcdef0123456789abcdefff",
                             "0123456789abcdef0123456789abcdeg",
                             "00000000000000000000000000000000"})
        EXPECT_TRUE(DeviceIdentifier::fromMachineId(text).isEmpty()) << text;
}

TEST(DeviceIdentifierTest, FirstUsableMachineIdFileWins)
{
    QTemporaryDir dir;
    writeText(dir.filePath("broken"), "uninitialized\n");
    writeText(dir.filePath("good"), "11111111111111111111111111111111\n");
    const QString fallback = dir.filePath("data/device-id");

    EXPECT_EQ(
        DeviceIdentifier::derive({dir.filePath("absent"), dir.filePath("broken"), dir.filePath("good")}, fallback),
        DeviceIdentifier::fromMachineId("11111111111111111111111111111111"));
    EXPECT_FALSE(QFile::exists(fallback));
}

TEST(DeviceIdentifierTest, WithoutMachineIdAStoredIdentifierIsKept)
{
    QTemporaryDir dir;
    const QString fallback = dir.filePath("data/device-id");

    const QString first = DeviceIdentifier::derive({dir.filePath("absent")}, fallback);
    EXPECT_FALSE(QUuid::fromString(first).isNull());
    ASSERT_TRUE(QFile::exists(fallback));
    EXPECT_EQ(DeviceIdentifier::derive({dir.filePath("absent")}, fallback), first);

    // A damaged file is replaced with a new identifier, which then stays.
    writeText(fallback, "garbage");
    const QString replaced = DeviceIdentifier::derive({}, fallback);
    EXPECT_NE(replaced, first);
    EXPECT_EQ(DeviceIdentifier::derive({}, fallback), replaced);
}

TEST(DeviceIdentifierTest, CurrentIsTheSameEveryTime)
{
    // Without a machine id the identifier is kept in the data folder: keep it
    // out of the user's.
    QTemporaryDir data;
    const velmora::test::ScopedEnvironment dataHome("XDG_DATA_HOME", data.path().toUtf8());
    const QString identifier = DeviceIdentifier::current();
    EXPECT_FALSE(identifier.isEmpty());
    EXPECT_EQ(DeviceIdentifier::current(), identifier);
}

} // namespace
