#pragma once

#include "support/EventLoopWait.h"
#include "support/LoopbackHttpServer.h"

#include <QTest>
#include <QtGlobal>

#include <functional>

namespace velmora::test {

// A loopback server that is the web service (VELMORA_SERVICE_URL) while it
// lives.
class LoopbackService final : public LoopbackHttpServer {
public:
    LoopbackService() : m_savedUrl(qgetenv("VELMORA_SERVICE_URL"))
    {
        if (!isListening())
            qFatal("The loopback test server could not listen");
        qputenv("VELMORA_SERVICE_URL", url().toString().toUtf8());
    }
    ~LoopbackService() { qputenv("VELMORA_SERVICE_URL", m_savedUrl); }

    void answer(int status, const QByteArray& body) { respondWith(status, body); }
    void stayQuiet()
    {
        setResponder([](const Request&) {
            Response response;
            response.silent = true;
            return response;
        });
    }

private:
    QByteArray m_savedUrl;
};

} // namespace velmora::test
