// The foreman's view on a free local port, asked as browsers and as an attacker would: its pages
// and API over a history of many jobs, read-only; its bounds on requests and clients; a job
// running reaching the open pages as it is written, from the PC's file and from a server.

#include "web/web_service.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/common/text_file.h"
#include "core/control/job_record_csv.h"
#include "gui/drawing/job_sheet.h"
#include "history/history_listing.h"
#include "history/postgres_job_store.h"
#include "history/postgres_server.h"
#include "history/history_test_jobs.h"
#include "history/sqlite_job_store.h"
#include "http_client.h"
#include "web/access_password.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::get;
using testing::kMay2024;
using testing::pumpUntil;
using testing::sampleJob;
using web::HttpServer;
using web::WebService;

constexpr std::int64_t kHour = 3600 * 1000;

std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

QJsonObject object(const QByteArray& json) { return QJsonDocument::fromJson(json).object(); }

struct WebView : ::testing::Test {
  testing::TempDir dir;
  std::string file = dir.file("history.sqlite");
  std::unique_ptr<WebService> service;

  void start(const std::string& target, HttpServer::Limits limits = {}) {
    service = std::make_unique<WebService>(readingStoreFor(target), readingStoreFor(target), web::WebServiceOptions{.limits = limits});
    QString why;
    ASSERT_TRUE(service->listen(QHostAddress::LocalHost, 0, std::nullopt, &why)) << why.toStdString();
  }
  quint16 port() const { return service->server().port(); }
};

TEST_F(WebView, ThePagesAndTheApiServeTheHistoryAndWriteNothing) {
  SqliteJobStore writer(file);
  writer.open();
  const JobRecord record = testing::paintedRecord(8);
  for (int i = 0; i < 120; ++i) {
    StoredJob job = sampleJob(i == 7 ? "<script>alert(1)</script>" : "Hall " + std::to_string(i % 9),
                              kMay2024 + i * kHour, record, i % 2 ? "atelier-2" : "atelier-1");
    job.uid = "u" + std::to_string(i);
    job.status = JobStatus::Finished;
    writer.putJob(job);
  }
  const std::string before = bytesOf(file);
  start(file);

  const testing::HttpAnswer home = get(port(), "/");
  EXPECT_EQ(home.status, 200);
  EXPECT_TRUE(home.header("Content-Type").startsWith("text/html"));
  EXPECT_TRUE(home.header("Content-Security-Policy").contains("script-src 'self'"));
  EXPECT_TRUE(home.body.contains("Chantiers en cours"));

  const QJsonObject first = object(get(port(), "/api/jobs").body);
  EXPECT_EQ(first["total"].toInt(), 120);
  EXPECT_EQ(first["jobs"].toArray().size(), 50);
  EXPECT_EQ(first["jobs"][0]["debut"].toDouble(), double(kMay2024 + 119 * kHour)) << "newest first";
  EXPECT_EQ(object(get(port(), "/api/jobs?page=3").body)["jobs"].toArray().size(), 20);
  const QJsonObject largest = object(get(port(), "/api/jobs?tri=projet&ordre=desc&machine=atelier-1").body);
  EXPECT_EQ(largest["total"].toInt(), 60);
  EXPECT_EQ(largest["jobs"][0]["projet"].toString(), "Hall 8");
  const QJsonObject found = object(get(port(), "/api/jobs?q=%3Cscript").body);
  ASSERT_EQ(found["total"].toInt(), 1);
  EXPECT_EQ(found["jobs"][0]["projet"].toString(), "<script>alert(1)</script>") << "the text as it was kept";

  const std::int64_t id = static_cast<std::int64_t>(found["jobs"][0]["id"].toDouble());
  const QByteArray address = "/api/jobs/" + QByteArray::number(qlonglong(id));
  const QJsonObject job = object(get(port(), address).body);
  EXPECT_EQ(job["surfaces"].toArray().size(), static_cast<qsizetype>(record.surfaces().size()));
  EXPECT_EQ(job["profil"].toArray().size(), static_cast<qsizetype>(record.profile().size()));
  const testing::HttpAnswer csv = get(port(), address + "/releve.csv");
  EXPECT_EQ(csv.body.toStdString(), bytesOfLines(jobRecordCsvLines(writer.load(id).record)))
      << "byte for byte what the program exports";
  // The sheet as the report window exports it: the same bytes but for the moment it was drawn.
  const auto undated = [](QByteArray pdf) {
    static const QRegularExpression date(QStringLiteral("/CreationDate \\(D:[0-9]+Z\\)"));
    return QString::fromLatin1(pdf).replace(date, QString());
  };
  const StoredJob kept = writer.load(id);
  const testing::HttpAnswer sheet = get(port(), address + "/fiche.pdf");
  EXPECT_EQ(sheet.header("Content-Type"), "application/pdf");
  EXPECT_EQ(undated(sheet.body), undated(jobSheetBytes(kept.record, kept.verdict, keptJobSheetText(kept), nullptr)));
  const testing::HttpAnswer chart = get(port(), address + "/graphique.svg");
  EXPECT_EQ(chart.header("Content-Type"), "image/svg+xml");
  EXPECT_TRUE(chart.body.contains("<svg"));

  EXPECT_EQ(get(port(), "/api/jobs/999999").status, 404);
  EXPECT_EQ(get(port(), "/static/%2e%2e/web_service.cpp").status, 404);
  EXPECT_EQ(get(port(), "/api/jobs?tri=id;DROP").status, 400);
  EXPECT_EQ(testing::ask(port(), "POST /api/jobs HTTP/1.1\r\nContent-Length: 0\r\nConnection: close\r\n\r\n").status, 405);
  EXPECT_EQ(testing::ask(port(), "DELETE " + address + " HTTP/1.1\r\nConnection: close\r\n\r\n").status, 405);
  service.reset();
  EXPECT_EQ(bytesOf(file), before) << "the history was written to";
  EXPECT_EQ(writer.list(std::nullopt, "").size(), 120u);
}

TEST_F(WebView, RequestsAndClientsAreBounded) {
  SqliteJobStore writer(file);
  writer.open();
  const std::int64_t id = writer.putJob(sampleJob("Hall", kMay2024));
  start(file, {.headerBytes = 1024, .bodyBytes = 64, .connections = 4, .idleMilliseconds = 300, .unsentBytes = 64 * 1024});

  EXPECT_EQ(testing::ask(port(), "GET / HTTP/1.1\r\nX-Long: " + QByteArray(2000, 'a') + "\r\n\r\n").status, 431);
  EXPECT_EQ(testing::ask(port(), "POST / HTTP/1.1\r\nContent-Length: 100\r\n\r\n" + QByteArray(100, 'b')).status, 413);
  EXPECT_EQ(testing::ask(port(), "GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n").status, 501);
  EXPECT_EQ(testing::ask(port(), "NOT HTTP AT ALL\r\n\r\n").status, 400);

  // A client that sends half a request and waits is let go.
  QTcpSocket slow;
  slow.connectToHost(QHostAddress::LocalHost, port());
  ASSERT_TRUE(pumpUntil([&] { return slow.state() == QAbstractSocket::ConnectedState; }));
  slow.write("GET / HT");
  EXPECT_TRUE(pumpUntil([&] { return slow.state() == QAbstractSocket::UnconnectedState; }, 5000));

  // Four connections held open: a fifth is closed at once, unanswered.
  std::vector<std::unique_ptr<QTcpSocket>> held;
  for (int i = 0; i < 4; ++i) {
    held.push_back(std::make_unique<QTcpSocket>());
    held.back()->connectToHost(QHostAddress::LocalHost, port());
    ASSERT_TRUE(pumpUntil([&] { return held.back()->state() == QAbstractSocket::ConnectedState; }));
  }
  ASSERT_TRUE(pumpUntil([&] { return service->server().connections() == 4; }));
  EXPECT_EQ(get(port(), "/").status, 0);
  held.clear();
  ASSERT_TRUE(pumpUntil([&] { return service->server().connections() == 0; }));

  // A client that asks for charts and reads none of them is dropped; another is served meanwhile.
  QTcpSocket greedy;
  greedy.setReadBufferSize(1);
  greedy.connectToHost(QHostAddress::LocalHost, port());
  ASSERT_TRUE(pumpUntil([&] { return greedy.state() == QAbstractSocket::ConnectedState; }));
  const int small = 4096;
  ::setsockopt(static_cast<int>(greedy.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  const QByteArray ask = "GET /api/jobs/" + QByteArray::number(qlonglong(id)) + "/graphique.svg HTTP/1.1\r\n\r\n";
  for (int i = 0; i < 40; ++i) greedy.write(ask);
  EXPECT_EQ(get(port(), "/api/jobs").status, 200);
  EXPECT_TRUE(pumpUntil([&] { return service->server().connections() == 0; }, 20'000)) << "the greedy client kept";
}

// With an access password, nothing but the password's page is read before it is given; a wrong
// one is refused, the right one opens a session cookie the browser's scripts cannot read and no
// other site can send.
TEST_F(WebView, AnAccessPasswordGuardsEveryPageAndAnswer) {
  SqliteJobStore writer(file);
  writer.open();
  writer.putJob(sampleJob("Hall", kMay2024));
  service = std::make_unique<WebService>(readingStoreFor(file), readingStoreFor(file),
                                         web::WebServiceOptions{.passwordHash = web::hashPassword("chef d'atelier")});
  ASSERT_TRUE(service->listen(QHostAddress::LocalHost, 0, std::nullopt, nullptr));

  EXPECT_EQ(get(port(), "/api/jobs").status, 401);
  EXPECT_EQ(get(port(), "/api/news").status, 401);
  const testing::HttpAnswer home = get(port(), "/");
  EXPECT_EQ(home.status, 303);
  EXPECT_EQ(home.header("Location"), "/connexion");
  EXPECT_EQ(get(port(), "/connexion").status, 200);

  const auto logIn = [&](const QByteArray& password) {
    const QByteArray form = "motdepasse=" + password;
    return testing::ask(port(), "POST /connexion HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                                "Content-Length: " + QByteArray::number(form.size()) + "\r\nConnection: close\r\n\r\n" + form);
  };
  const testing::HttpAnswer wrong = logIn("chef+d%27usine");
  EXPECT_EQ(wrong.header("Location"), "/connexion?refuse=1");
  EXPECT_TRUE(wrong.header("Set-Cookie").isEmpty());
  const testing::HttpAnswer right = logIn("chef+d%27atelier");
  ASSERT_EQ(right.header("Location"), "/") << "the right one, after the wrong one's wait";
  const QByteArray cookie = right.header("Set-Cookie");
  EXPECT_TRUE(cookie.contains("HttpOnly"));
  EXPECT_TRUE(cookie.contains("SameSite=Strict"));
  const QByteArray session = cookie.left(cookie.indexOf(';'));

  const auto withCookie = [&](const QByteArray& path, const QByteArray& sent) {
    return testing::ask(port(), "GET " + path + " HTTP/1.1\r\nCookie: " + sent + "\r\nConnection: close\r\n\r\n");
  };
  EXPECT_EQ(withCookie("/api/jobs", session).status, 200);
  EXPECT_EQ(withCookie("/", session).status, 200);
  QByteArray forged = session;
  forged[forged.size() - 1] = forged.back() == 'a' ? 'b' : 'a';
  EXPECT_EQ(withCookie("/api/jobs", forged).status, 401);
  // Logged out, the session is gone.
  EXPECT_EQ(testing::ask(port(), "POST /deconnexion HTTP/1.1\r\nCookie: " + session +
                                     "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
                .status,
            303);
  EXPECT_EQ(withCookie("/api/jobs", session).status, 401);

  // The hash kept in its file, read back; a file that holds none is refused.
  std::string why;
  web::writePasswordFile(dir.file("web.password"), web::hashPassword("chef d'atelier"));
  const std::optional<std::string> kept = web::readPasswordFile(dir.file("web.password"), why);
  ASSERT_TRUE(kept) << why;
  EXPECT_TRUE(web::passwordMatches(*kept, "chef d'atelier"));
  EXPECT_FALSE(web::passwordMatches(*kept, "chef d'atelie"));
  EXPECT_EQ(std::filesystem::status(dir.file("web.password")).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  std::ofstream(dir.file("clair")) << "chef d'atelier\n";
  EXPECT_FALSE(web::readPasswordFile(dir.file("clair"), why));
}

// A page open on the news: the job appears when it begins, with its progress, and leaves when it
// ends, each within the writer's next state.
void expectTheRunningJobReachesThePages(WebView& view, JobStore& writer) {
  QTcpSocket page;
  page.connectToHost(QHostAddress::LocalHost, view.port());
  ASSERT_TRUE(pumpUntil([&] { return page.state() == QAbstractSocket::ConnectedState; }));
  page.write("GET /api/news HTTP/1.1\r\nHost: localhost\r\n\r\n");
  QByteArray heard;
  const auto hear = [&](const QByteArray& what) {
    return pumpUntil([&] {
      heard += page.readAll();
      const qsizetype at = heard.indexOf(what);
      if (at < 0) return false;
      heard.remove(0, at + what.size());
      return true;
    });
  };
  ASSERT_TRUE(hear("event: running\ndata: {\"jobs\":[]")) << heard.toStdString();
  StoredJob job = sampleJob("Façade nord", kMay2024, testing::paintedRecord(4));
  const std::int64_t id = writer.beginJob(job);
  ASSERT_TRUE(hear("\"projet\":\"Façade nord\"")) << heard.toStdString();
  job.record = testing::paintedRecord(10);
  takeFromRecord(job, job.record);
  job.endedMs += 10'000;
  writer.updateJob(id, job);
  const QByteArray painted = QByteArray::number(job.record.totals().distancePainted, 'g', 6);
  EXPECT_TRUE(hear("\"peint\":" + painted.left(4))) << heard.toStdString();
  writer.finishJob(id, job);
  EXPECT_TRUE(hear("event: running\ndata: {\"jobs\":[]")) << heard.toStdString();
  EXPECT_TRUE(hear("event: history")) << heard.toStdString();
}

TEST_F(WebView, ARunningJobReachesThePagesFromThePCsFile) {
  SqliteJobStore writer(file);
  writer.open();
  start(file);
  expectTheRunningJobReachesThePages(*this, writer);
}

TEST_F(WebView, ARunningJobReachesThePagesFromTheServer) {
  testing::PostgresServer server;
  if (!server.problem().empty()) GTEST_SKIP() << "No PostgreSQL server for this test: " << server.problem();
  PostgresJobStore writer(server.connection());
  writer.open();
  start(server.connection());
  expectTheRunningJobReachesThePages(*this, writer);
  // The view's connections refuse to write, whatever their role may.
  PostgresJobStore view(server.connection(), {.readOnly = true});
  view.open();
  EXPECT_THROW(view.beginJob(sampleJob("Hall", kMay2024)), HistoryError);
}

}  // namespace
}  // namespace chromaflow
