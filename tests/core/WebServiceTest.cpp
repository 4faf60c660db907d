#include "core/WebService.h"

#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

namespace {

using namespace velmora;

class WebServiceTest : public ::testing::Test {
private:
    // Each test starts from the built-in address.
    velmora::test::ScopedEnvironment m_service{"VELMORA_SERVICE_URL", QByteArray()};
};

TEST_F(WebServiceTest, BuiltInAddressIsHttps)
{
    const QUrl base = WebService::baseUrl();
    EXPECT_EQ(base.scheme(), "https");
    EXPECT_FALSE(WebService::hostName().isEmpty());
    EXPECT_EQ(WebService::url("/api/crash").path(), "/api/crash");
    EXPECT_EQ(WebService::url("/api/crash").host(), base.host());
}

TEST_F(WebServiceTest, EnvironmentReplacesTheAddress)
{
    qputenv("VELMORA_SERVICE_URL", "http://127.0.0.1:8123");
    EXPECT_EQ(WebService::url("/api/crash").toString(), "http://127.0.0.1:8123/api/crash");
    EXPECT_EQ(WebService::url("/").toString(), "http://127.0.0.1:8123/");
    EXPECT_EQ(WebService::hostName(), "127.0.0.1");
}

TEST_F(WebServiceTest, PathPrefixOfTheBaseIsKept)
{
    for (const char* base : {"http://127.0.0.1:9/service", "http://127.0.0.1:9/service/"}) {
        qputenv("VELMORA_SERVICE_URL", base);
        EXPECT_EQ(WebService::url("/api/version.json").toString(), "http://127.0.0.1:9/service/api/version.json")
            << base;
        EXPECT_EQ(WebService::url("download").toString(), "http://127.0.0.1:9/service/download") << base;
    }
}

TEST_F(WebServiceTest, UnusableOverrideFallsBackToTheBuiltInAddress)
{
    const QUrl builtIn = WebService::baseUrl();
    for (const char* text : {"ftp://example.org", "not a url", "http://", "file:///tmp/x", "javascript:alert(1)"}) {
        qputenv("VELMORA_SERVICE_URL", text);
        EXPECT_EQ(WebService::baseUrl(), builtIn) << text;
    }
}

TEST(WebServiceParseTest, AcceptsHttpAndHttpsWithAHost)
{
    struct Row {
        const char* text;
        const char* expected; // empty: refused
    };
    const Row rows[] = {
        {"https://velmora.example", "https://velmora.example"},
        {"  HTTP://127.0.0.1:8080  ", "http://127.0.0.1:8080"},
        {"https://h.example/base?x=1#top", "https://h.example/base"},
        {"https://", ""},
        {"mailto:someone@example.org", ""},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(WebService::parseBaseUrl(row.text).toString(), QString(row.expected)) << row.text;
}

} // namespace
