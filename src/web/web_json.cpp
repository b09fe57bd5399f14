#include "web/web_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "core/control/figures.h"
#include "core/control/job_verdict.h"

namespace chromaflow::web {
namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

// A figure, or null where there is none to show (never NaN, which JSON cannot hold).
QJsonValue figure(double value) { return std::isfinite(value) ? QJsonValue(value) : QJsonValue(); }
// A proportion, null where nothing was asked or laid.
QJsonValue proportion(double value) { return value < 0 || !std::isfinite(value) ? QJsonValue() : QJsonValue(value); }

QJsonObject summaryObject(const JobSummary& job) {
  return {
      {"id", static_cast<double>(job.id)},
      {"debut", static_cast<double>(job.startedMs)},
      {"fin", static_cast<double>(job.endedMs)},
      {"etat", statusText(job.status)},
      {"machine", text(job.machine)},
      {"projet", text(job.projectName)},
      {"texte", text(job.userText)},
      {"surface", figure(job.figures.areaPainted)},
      {"p1", figure(job.figures.litresP1)},
      {"p2", figure(job.figures.litresP2)},
      {"alarmes", static_cast<double>(job.figures.alarms)},
      {"dansTolerance", job.withinTolerance},
      {"verdict", text(job.verdictText)},
  };
}

QJsonObject stretchObject(const RecordedStretch& s, bool painted) {
  return {
      {"de", figure(s.from)},
      {"a", figure(s.to)},
      {"peint", painted ? figure(s.distancePainted) : QJsonValue()},
      {"surface", painted ? figure(s.areaPainted) : QJsonValue()},
      {"demandeP1", painted ? figure(s.askedP1) : QJsonValue()},
      {"livreP1", figure(s.deliveredP1)},
      {"demandeP2", painted ? figure(s.askedP2) : QJsonValue()},
      {"livreP2", figure(s.deliveredP2)},
      {"proportionDemandee", painted ? proportion(s.askedProportion()) : QJsonValue()},
      {"proportionPosee", proportion(s.laidProportion())},
      {"correction", s.correctionTicks ? figure(s.meanCorrection()) : QJsonValue()},
  };
}

double pathLength(const JobRecord& record) {
  return record.surfaces().empty() ? 0.0 : record.surfaces().back().to - record.surfaces().front().from;
}

QJsonObject cardObject(const StoredJob& job) {
  const JobRecord& record = job.record;
  const RecordedStretch total = record.totals();
  const std::optional<std::uint64_t> lost = record.pulsesLost();
  QJsonObject card = summaryObject(summaryOf(job));
  card.insert("peint", figure(total.distancePainted));
  card.insert("longueur", figure(pathLength(record)));
  card.insert("demandeP1", figure(total.askedP1));
  card.insert("demandeP2", figure(total.askedP2));
  card.insert("livreP1", figure(total.deliveredP1));
  card.insert("livreP2", figure(total.deliveredP2));
  card.insert("juge", job.verdict.enoughToJudge);
  card.insert("impulsionsPerdues", lost ? QJsonValue(static_cast<double>(*lost)) : QJsonValue());
  card.insert("duree", static_cast<double>(record.milliseconds()));
  return card;
}

QByteArray compact(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

}  // namespace

QByteArray pageJson(const JobPage& page, const JobQuery& query) {
  QJsonArray jobs;
  for (const JobSummary& job : page.jobs) jobs.append(summaryObject(job));
  return compact({{"jobs", jobs},
                  {"total", static_cast<double>(page.total)},
                  {"offset", static_cast<double>(query.offset)},
                  {"limit", static_cast<double>(query.limit)},
                  {"tri", sortKeyName(query.sortBy)},
                  {"ordre", query.descending ? "desc" : "asc"}});
}

QByteArray jobJson(const StoredJob& job) {
  const JobRecord& record = job.record;
  QJsonObject object = cardObject(job);
  object.insert("uid", text(job.uid));
  object.insert("chemin", text(job.projectPath));
  object.insert("materiel", text(job.backend));
  object.insert("reglages", text(job.settingsText));

  const JobVerdict& verdict = job.verdict;
  QJsonArray out;
  for (const OutOfTolerance& stretch : verdict.stretches)
    out.append(QJsonObject{{"de", figure(stretch.from)}, {"a", figure(stretch.to)}, {"ecart", figure(stretch.worstDeviation)}});
  object.insert("jugement", QJsonObject{{"texte", text(verdictText(verdict))},
                                        {"peint", verdict.painted},
                                        {"juge", verdict.enoughToJudge},
                                        {"dansTolerance", verdict.withinTolerance},
                                        {"tolerance", figure(verdict.tolerance)},
                                        {"horsTolerance", out}});

  QJsonArray surfaces;
  for (const RecordedStretch& s : record.surfaces()) surfaces.append(stretchObject(s, true));
  object.insert("surfaces", surfaces);
  object.insert("resteTuyau", stretchObject(record.beyondEnd(), false));
  object.insert("total", stretchObject(record.totals(), true));

  QJsonArray profile;
  for (const RecordedStretch& bin : record.profile())
    profile.append(QJsonArray{figure(bin.from), figure(bin.to), proportion(bin.askedProportion()),
                              proportion(bin.laidProportion())});
  object.insert("profil", profile);

  QJsonArray alarms;
  for (const RecordedAlarm& alarm : record.alarms())
    alarms.append(QJsonObject{{"alarme", alarmCaption(alarm.alarm)},
                              {"debut", static_cast<double>(alarm.startMilliseconds)},
                              {"distance", figure(alarm.startDistance)},
                              {"duree", static_cast<double>(alarm.durationMilliseconds)},
                              {"levees", alarm.raisings},
                              {"enCours", alarm.standing}});
  object.insert("indicateurs", alarms);
  object.insert("indicateursNonGardes", static_cast<double>(record.alarmsNotKept()));
  return compact(object);
}

QByteArray runningJson(const std::vector<StoredJob>& jobs, std::int64_t nowMs, const std::string& error) {
  QJsonArray cards;
  for (const StoredJob& job : jobs) cards.append(cardObject(job));
  QJsonObject object{{"now", static_cast<double>(nowMs)}, {"jobs", cards}};
  if (!error.empty()) object.insert("erreur", text(error));
  return compact(object);
}

QByteArray errorJson(const std::string& error) { return compact({{"erreur", text(error)}}); }

QByteArray machinesJson(const std::vector<std::string>& machines) {
  QJsonArray names;
  for (const std::string& machine : machines) names.append(text(machine));
  return QJsonDocument(names).toJson(QJsonDocument::Compact);
}

}  // namespace chromaflow::web
