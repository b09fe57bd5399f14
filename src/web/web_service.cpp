#include "web/web_service.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>
#include <charconv>

#include "core/common/text_file.h"
#include "core/control/job_record_csv.h"
#include "history/history_listing.h"
#include "gui/drawing/job_sheet.h"
#include "web/job_chart_svg.h"
#include "web/web_json.h"

namespace chromaflow::web {
namespace {

HttpResponse json(const QByteArray& body, int status = 200) {
  HttpResponse response;
  response.status = status;
  response.contentType = "application/json; charset=utf-8";
  response.body = body;
  return response;
}

HttpResponse failure(const HistoryError& error) {
  const int status = error.problem() == HistoryProblem::NotFound      ? 404
                     : error.problem() == HistoryProblem::Unreachable ? 503
                                                                      : 500;
  return json(errorJson(error.what()), status);
}

// A whole number of the address, nothing for anything else.
std::optional<std::int64_t> wholeNumber(const QString& text) {
  const QByteArray digits = text.toLatin1();
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.isEmpty() || error != std::errc() || end != digits.data() + digits.size() || value < 0) return std::nullopt;
  return value;
}

// The pages and what they load, by their address: nothing else is served from the resources.
struct Resource {
  const char* path;
  const char* file;
  const char* type;
};
constexpr Resource kResources[] = {
    {"/", "index.html", "text/html; charset=utf-8"},
    {"/chantier", "job.html", "text/html; charset=utf-8"},
    {"/comparer", "compare.html", "text/html; charset=utf-8"},
    {"/static/style.css", "style.css", "text/css; charset=utf-8"},
    {"/static/common.js", "common.js", "text/javascript; charset=utf-8"},
    {"/static/index.js", "index.js", "text/javascript; charset=utf-8"},
    {"/static/job.js", "job.js", "text/javascript; charset=utf-8"},
    {"/static/compare.js", "compare.js", "text/javascript; charset=utf-8"},
    {"/static/icon.svg", "icon.svg", "image/svg+xml"},
    {"/connexion", "login.html", "text/html; charset=utf-8"},
    {"/static/login.js", "login.js", "text/javascript; charset=utf-8"},
};

// What a visitor not yet let in may load: the password's page and what it shows.
bool open(const QString& path) {
  return path == "/connexion" || path == "/static/style.css" || path == "/static/icon.svg" ||
         path == "/static/login.js" || path == "/static/common.js";
}

HttpResponse seeOther(const QByteArray& where, const QByteArray& cookie = {}) {
  HttpResponse response = HttpResponse::text(303, "");
  response.headers.emplaceBack("Location", where);
  if (!cookie.isEmpty()) response.headers.emplaceBack("Set-Cookie", cookie);
  return response;
}

}  // namespace

WebService::WebService(std::unique_ptr<JobStore> reading, std::unique_ptr<JobStore> watching,
                       WebServiceOptions options, QObject* parent)
    : QObject(parent),
      access_(std::make_unique<WebAccess>(std::move(options.passwordHash), options.secure)),
      server_(std::make_unique<HttpServer>([this](const HttpRequest& request, Reply reply) { handle(request, reply); },
                                           options.limits)),
      reading_(std::make_unique<StoreThread>(std::move(reading))),
      running_(runningJson({}, QDateTime::currentMSecsSinceEpoch())) {
  watch_ = std::make_unique<RunningWatch>(std::move(watching),
                                          [this](RunningWatch::News news) { later([this, news] { this->news(news); }); });
}

WebService::~WebService() {
  // The threads first: nothing they tell may reach a service half gone.
  watch_.reset();
  reading_.reset();
}

bool WebService::listen(const QHostAddress& address, quint16 port, const std::optional<QSslConfiguration>& tls,
                        QString* why) {
  return server_->listen(address, port, tls, why);
}

void WebService::later(std::function<void()> answer) {
  QMetaObject::invokeMethod(this, std::move(answer), Qt::QueuedConnection);
}

void WebService::handle(const HttpRequest& request, const Reply& reply) {
  const QString path = QString::fromUtf8(request.path);
  if (request.method == "POST" && path == "/connexion") return logIn(request, reply);
  if (request.method == "POST" && path == "/deconnexion") return reply.send(seeOther("/connexion", access_->logOut(request)));
  if (request.method != "GET" && request.method != "HEAD") {
    HttpResponse refused = HttpResponse::text(405, "Ce service ne fait que lire.\n");
    refused.headers.emplaceBack("Allow", "GET, HEAD");
    return reply.send(refused);
  }
  if (!access_->asksPassword() && path == "/connexion") return reply.send(seeOther("/"));
  if (path == "/api/acces") return reply.send(json(access_->asksPassword() ? "{\"motDePasse\":true}" : "{\"motDePasse\":false}"));
  if (!open(path) && !access_->admits(request)) {
    if (path.startsWith("/api/")) return reply.send(json(errorJson("connexion demandée"), 401));
    return reply.send(seeOther("/connexion"));
  }
  for (const Resource& resource : kResources)
    if (path == QLatin1String(resource.path)) return serveResource(resource.file, resource.type, reply);
  if (path == "/api/jobs") return serveJobs(request, reply);
  if (path == "/api/running") return reply.send(json(running_));
  if (path == "/api/machines") return serveMachines(reply);
  if (path == "/api/news") {
    if (reply.startEvents()) server_->broadcast("running", running_);
    return;
  }
  static const QRegularExpression job(
      QStringLiteral("^/api/jobs/([0-9]{1,18})(?:/(releve\\.csv|graphique\\.svg|fiche\\.pdf))?$"));
  if (const QRegularExpressionMatch match = job.match(path); match.hasMatch())
    return serveJob(match.captured(1).toLongLong(), match.captured(2), reply);
  reply.send(HttpResponse::text(404, "Page introuvable.\n"));
}

void WebService::serveResource(const QString& name, const QByteArray& type, const Reply& reply) {
  QFile file(QStringLiteral(":/web/") + name);
  if (!file.open(QIODevice::ReadOnly)) return reply.send(HttpResponse::text(404, "Page introuvable.\n"));
  HttpResponse response;
  response.contentType = type;
  response.body = file.readAll();
  response.headers.emplaceBack("Cache-Control", "no-cache");
  reply.send(response);
}

void WebService::serveJobs(const HttpRequest& request, const Reply& reply) {
  JobQuery query;
  query.limit = 50;
  if (const auto page = wholeNumber(request.queryValue("page")); page && *page >= 1)
    query.offset = static_cast<std::size_t>(std::min<std::int64_t>(*page - 1, 1'000'000)) * query.limit;
  if (const QString sort = request.queryValue("tri"); !sort.isEmpty()) {
    const auto key = sortKeyOfName(sort.toStdString());
    if (!key) return reply.send(json(errorJson("tri inconnu"), 400));
    query.sortBy = *key;
  }
  query.descending = request.queryValue("ordre") != "asc";
  query.search = request.queryValue("q").left(200).toStdString();
  query.machine = request.queryValue("machine").left(200).toStdString();
  if (const QString since = request.queryValue("depuis"); !since.isEmpty()) {
    query.sinceMs = historyDate(since.toStdString());
    if (!query.sinceMs) return reply.send(json(errorJson("date illisible (AAAA-MM-JJ)"), 400));
  }
  reading_->post(
      [this, reply, query](JobStore& store) {
        const QByteArray body = pageJson(store.page(query), query);
        later([reply, body] { reply.send(json(body)); });
      },
      [this, reply](const HistoryError& error) {
        later([reply, answer = failure(error)] { reply.send(answer); });
      });
}

void WebService::serveJob(std::int64_t id, const QString& part, const Reply& reply) {
  reading_->post(
      [this, reply, id, part](JobStore& store) {
        const StoredJob job = store.load(id);
        HttpResponse response;
        if (part == "fiche.pdf") {
          response.contentType = "application/pdf";
          response.body = jobSheetBytes(job.record, job.verdict, keptJobSheetText(job), nullptr);
          response.headers.emplaceBack("Content-Disposition", "attachment; filename=\"fiche-" +
                                                                  QByteArray::number(qlonglong(id)) + ".pdf\"");
        } else if (part == "graphique.svg") {
          response.contentType = "image/svg+xml";
          response.body = proportionChartSvg(job.record, job.verdict);
        } else if (part == "releve.csv") {
          response.contentType = "text/csv; charset=windows-1252";
          response.body = QByteArray::fromStdString(bytesOfLines(jobRecordCsvLines(job.record)));
          response.headers.emplaceBack("Content-Disposition", "attachment; filename=\"releve-" + QByteArray::number(qlonglong(id)) + ".csv\"");
        } else {
          response = json(jobJson(job));
        }
        later([reply, response] { reply.send(response); });
      },
      [this, reply](const HistoryError& error) {
        later([reply, answer = failure(error)] { reply.send(answer); });
      });
}

void WebService::logIn(const HttpRequest& request, const Reply& reply) {
  // A form's fields: "motdepasse=...", its spaces written as "+".
  QByteArray form = request.body;
  form.replace('+', "%20");
  const std::string password =
      QUrlQuery(QString::fromUtf8(form)).queryItemValue(QStringLiteral("motdepasse"), QUrl::FullyDecoded).toStdString();
  access_->logIn(request.peer, password, [reply](const QByteArray& cookie) {
    reply.send(cookie.isEmpty() ? seeOther("/connexion?refuse=1") : seeOther("/", cookie));
  });
}

void WebService::serveMachines(const Reply& reply) {
  reading_->post(
      [this, reply](JobStore& store) {
        const QByteArray body = machinesJson(store.machines());
        later([reply, body] { reply.send(json(body)); });
      },
      [this, reply](const HistoryError& error) {
        later([reply, answer = failure(error)] { reply.send(answer); });
      });
}

void WebService::news(RunningWatch::News news) {
  running_ = runningJson(news.running, QDateTime::currentMSecsSinceEpoch(), news.error);
  server_->broadcast("running", running_);
  if (news.historyChanged) server_->broadcast("history", "{}");
}

}  // namespace chromaflow::web
