#pragma once
// The foreman's view: the job history served read-only to the browsers of the workshop's network.
//
//   /connexion             the access password asked (POST: given), when one is set
//   /                      the jobs running and the first page of the history
//   /chantier?id=N         a job's report
//   /comparer?a=N&b=M      two jobs' proportions along the path
//   /api/jobs              a page of the history (page, tri, ordre, q, machine, depuis)
//   /api/jobs/N            a job whole; /api/jobs/N/releve.csv its record as the program exports
//                          it, /api/jobs/N/fiche.pdf its job sheet, /api/jobs/N/graphique.svg its
//                          chart as the job sheet draws it
//   /api/running           the jobs running
//   /api/machines          every machine with a job
//   /api/news              a stream of news: "running" each time the jobs running change,
//                          "history" when any job was written
//
// Every request is answered from the service's thread; the history is read on threads of its
// own (StoreThread, RunningWatch), so that a slow disk or server never holds a page.

#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "web/http_server.h"
#include "web/running_watch.h"
#include "web/web_access.h"
#include "web/store_thread.h"

namespace chromaflow::web {

struct WebServiceOptions {
  HttpServer::Limits limits{};
  // The access password's hash; none: whoever reaches the service reads it.
  std::optional<std::string> passwordHash{};
  bool secure = false;  // served over HTTPS: the session cookie is sent over it only
};

class WebService : public QObject {
  Q_OBJECT
 public:
  // `reading` answers the pages, `watching` follows the jobs running: two stores of one history.
  WebService(std::unique_ptr<JobStore> reading, std::unique_ptr<JobStore> watching, WebServiceOptions options = {},
             QObject* parent = nullptr);
  ~WebService() override;

  bool listen(const QHostAddress& address, quint16 port, const std::optional<QSslConfiguration>& tls, QString* why);
  HttpServer& server() { return *server_; }
  // The history served, never with a password.
  std::string target() const { return reading_->target(); }

 private:
  void handle(const HttpRequest& request, const Reply& reply);
  void serveResource(const QString& name, const QByteArray& type, const Reply& reply);
  void serveJobs(const HttpRequest& request, const Reply& reply);
  // The job as JSON, or a part of it: "releve.csv", "fiche.pdf", "graphique.svg".
  void serveJob(std::int64_t id, const QString& part, const Reply& reply);
  void serveMachines(const Reply& reply);
  void logIn(const HttpRequest& request, const Reply& reply);
  void news(RunningWatch::News news);
  // Runs `answer` back on the service's thread, if the service still stands.
  void later(std::function<void()> answer);

  std::unique_ptr<WebAccess> access_;
  std::unique_ptr<HttpServer> server_;
  std::unique_ptr<StoreThread> reading_;
  QByteArray running_;       // the last news of the jobs running, as /api/running serves it
  std::unique_ptr<RunningWatch> watch_;
};

}  // namespace chromaflow::web
