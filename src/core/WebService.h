#pragma once

#include <QString>
#include <QUrl>

// The maker's web service: version check, feedback, crash reports and the web
// pages the application links to all live on one base address. It is fixed
// when the application is built and can be replaced at run time with
// VELMORA_SERVICE_URL (tests point it at a server on 127.0.0.1).
namespace velmora::WebService {

// VELMORA_SERVICE_URL when it names an http or https address with a host,
// else the address fixed at build time. An unusable override is logged once
// and ignored.
QUrl baseUrl();

// The host name shown to the user ("Couldn't reach <host>.", "Visit <host>").
QString hostName();

// The address of a path on the service, e.g. url("/api/crash"). The path is
// appended to the base address's own path, so a base with a path prefix keeps
// it; the root page is url("/").
QUrl url(const QString& path);

// The base address that a text names, or an empty URL when the text is not an
// http or https address with a host. Query and fragment are dropped.
QUrl parseBaseUrl(const QString& text);

} // namespace velmora::WebService
