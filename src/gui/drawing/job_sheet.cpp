#include "gui/drawing/job_sheet.h"

#include <QBuffer>
#include <QDateTime>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <array>
#include <clocale>
#include <memory>
#include <string_view>

#include "core/common/display_forms.h"
#include "core/common/document_name.h"
#include "core/common/text_file.h"
#include "core/history/stored_job.h"
#include "core/session/session.h"
#include "gui/drawing/job_sheet_figures.h"
#include "gui/drawing/sheet_layout.h"

namespace chromaflow {
namespace {

constexpr int kDotsPerInch = 300;
const QMarginsF kMarginsMm(16, 14, 16, 12);
const QColor kQuiet(60, 60, 60);

QString text(const std::string& s) { return QString::fromStdString(s); }
QString litres(double l) { return text(F2(l)); }
QString distance(double m) { return text(F2(m)); }
QString area(double m2) { return text(F1(m2)); }
QString percent(double p) { return text(F1(p)); }

// The headline: the verdict on the proportion, in green when held, in red when not.
void placeVerdict(SheetLayout& layout, const JobVerdict& verdict, const SheetFonts& fonts) {
  const QColor colour = !verdict.enoughToJudge ? QColor(60, 60, 60)
                        : verdict.withinTolerance ? QColor(0, 110, 0)
                                                  : QColor(190, 0, 0);
  layout.placeText(text(verdictText(verdict)), fonts.section, colour);
  if (verdict.enoughToJudge)
    layout.placeText(QStringLiteral("Proportion : la part de P2 que les pompes ont livrée, comparée à celle qui leur "
                                    "était demandée, en chaque point sur les %1 litres de peinture qui l'entourent "
                                    "(%2 impulsions des pompes : une de plus ou de moins la déplace d'un demi-point "
                                    "au plus).")
                         .arg(litres(verdict.windowLitres))
                         .arg(JobVerdict::kWindowPulses),
                     fonts.small, kQuiet);
}

// A proportion of the mix (P2's share, as the plan writes it); a dash where nothing was asked or
// laid.
QString proportion(double share) { return share < 0 ? QStringLiteral("–") : percent(share); }

// "0:01:23.4", from the start of the run.
QString clockTime(std::int64_t milliseconds) {
  const std::int64_t tenths = (milliseconds + 50) / 100;
  return QString::asprintf("%lld:%02lld:%02lld.%lld", static_cast<long long>(tenths / 36000),
                           static_cast<long long>(tenths / 600 % 60), static_cast<long long>(tenths / 10 % 60),
                           static_cast<long long>(tenths % 10));
}

// "1 h 02 min 05 s", "3 min 20 s", "12 s".
QString duration(std::int64_t milliseconds) {
  const long long seconds = static_cast<long long>((milliseconds + 500) / 1000);
  if (seconds >= 3600)
    return QString::asprintf("%lld h %02lld min %02lld s", seconds / 3600, seconds / 60 % 60, seconds % 60);
  if (seconds >= 60) return QString::asprintf("%lld min %02lld s", seconds / 60, seconds % 60);
  return QString::asprintf("%lld s", seconds);
}

// "8 décembre 2026 à 04:35".
QString frenchDate(const QDateTime& when) {
  static const char* const months[] = {"janvier", "février", "mars",      "avril",   "mai",      "juin",
                                       "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};
  const QDate day = when.date();
  return QStringLiteral("%1 %2 %3 à %4")
      .arg(day.day())
      .arg(QString::fromUtf8(months[day.month() - 1]))
      .arg(day.year())
      .arg(when.time().toString(QStringLiteral("HH:mm")));
}

void placeHeader(SheetLayout& layout, const JobSheetText& job, const SheetFonts& fonts) {
  const QPaintDevice& device = layout.device();
  layout.place(lineHeight(fonts.title, device) * 1.5, [font = fonts.title](QPainter& painter, const QRectF& rect) {
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Rapport de chantier"));
  });
  layout.placeText(QStringLiteral("Projet : ") + text(job.project), fonts.bodyBold);
  if (!job.painted.empty()) layout.placeText(text(job.painted), fonts.body);
  layout.placeText(QStringLiteral("Exporté le ") + frenchDate(QDateTime::currentDateTime()), fonts.body, kQuiet);
  const std::vector<std::string>& userText = job.userText;
  if (!userText.empty()) {
    layout.skip(millimetres(device, 4));
    for (const std::string& line : userText) layout.placeText(text(line), fonts.body);
  }
}

SheetRow stretchRow(const QString& name, const QString& span, const RecordedStretch& s, bool emphasised = false) {
  return {{name, span, area(s.areaPainted), litres(s.askedP1), litres(s.deliveredP1), litres(s.askedP2),
           litres(s.deliveredP2), proportion(s.askedProportion()), proportion(s.laidProportion()),
           percent(s.meanCorrection())},
          emphasised};
}

void placeTotals(SheetLayout& layout, const JobRecord& record, const SheetFonts& fonts) {
  const RecordedStretch total = record.totals();
  const RecordedStretch& hose = record.beyondEnd();
  SheetTable table;
  table.title = QStringLiteral("Totaux");
  table.columns = {{QString(), 3, Qt::AlignLeft},
                   {QStringLiteral("P1 (l)"), 1},
                   {QStringLiteral("P2 (l)"), 1},
                   {QStringLiteral("P1 + P2 (l)"), 1}};
  const auto row = [](const char* name, double p1, double p2, bool emphasised = false) {
    return SheetRow{{QString::fromUtf8(name), litres(p1), litres(p2), litres(p1 + p2)}, emphasised};
  };
  table.rows = {row("Demandé par le plan pour la peinture pompée", total.askedP1, total.askedP2),
                row("Livré par les pompes pour le mur", total.deliveredP1, total.deliveredP2),
                row("Resté dans le tuyau et le rouleau à la fin", hose.deliveredP1, hose.deliveredP2),
                row("Pompé en tout", total.deliveredP1 + hose.deliveredP1, total.deliveredP2 + hose.deliveredP2,
                    true)};
  table.keepRows = static_cast<int>(table.rows.size());
  placeTable(layout, table, fonts);
  if (record.alarms().size() > table.rows.size())
    layout.placeText(QStringLiteral("Chacun des %1 indicateurs, avec son heure, sa distance et sa durée, est dans le "
                                    "rapport de chantier du programme et son export CSV.")
                         .arg(record.alarms().size()),
                     fonts.small, kQuiet);

  layout.skip(millimetres(layout.device(), 2));
  const double pathLength = total.to - total.from;
  const std::vector<QString> lines = {
      QStringLiteral("Surface peinte : %1 m²").arg(area(total.areaPainted)),
      QStringLiteral("Distance parcourue : %1 m sur %2 m du chemin")
          .arg(distance(total.distancePainted), distance(pathLength)),
      QStringLiteral("Proportion demandée sur le mur : %1 % — posée : %2 % — correction moyenne : %3 %")
          .arg(proportion(total.askedProportion()), proportion(total.laidProportion()),
               percent(total.meanCorrection())),
      QStringLiteral("Durée du travail enregistré : ") + duration(record.milliseconds())};
  for (const QString& line : lines) layout.placeText(line, fonts.body);
}

void placeSurfaceTable(SheetLayout& layout, const JobRecord& record, const SheetFonts& fonts) {
  SheetTable table;
  table.title = QStringLiteral("Détail par surface");
  table.columns = {{QStringLiteral("N°"), 0.55, Qt::AlignHCenter},
                   {QStringLiteral("De – à (m)"), 1.65, Qt::AlignHCenter},
                   {QStringLiteral("Surface peinte (m²)"), 1.05},
                   {QStringLiteral("P1 demandé (l)"), 1},
                   {QStringLiteral("P1 livré (l)"), 1},
                   {QStringLiteral("P2 demandé (l)"), 1},
                   {QStringLiteral("P2 livré (l)"), 1},
                   {QStringLiteral("Proportion demandée (%)"), 1.15},
                   {QStringLiteral("Proportion posée (%)"), 1.05},
                   {QStringLiteral("Correction moyenne (%)"), 1.1}};
  int n = 0;
  for (const RecordedStretch& s : record.surfaces())
    table.rows.push_back(
        stretchRow(QString::number(++n), distance(s.from) + QStringLiteral(" – ") + distance(s.to), s));
  const RecordedStretch total = record.totals();
  table.rows.push_back(stretchRow(QStringLiteral("Total"), QString(), total, true));
  placeTable(layout, table, fonts);
  layout.placeText(QStringLiteral("Proportion : la part de P2 dans le mélange, comme dans le plan (0 % : P1 seul, "
                                  "100 % : P2 seul). Demandé : ce que le plan demande pour la peinture pompée vers "
                                  "la surface ; livré : ce que les pompes ont compté pour elle."),
                   fonts.small, kQuiet);
}

// The correction's indicators: raised by a hundredth of a litre, they steer the correction and
// are not the verdict. A slow job raises them hundreds of times; the client reads one row per
// kind: when and where it was first raised, how many times, how long its entries lasted in all and
// the longest. Each entry, with its time and place, is in the report window and its CSV.
struct AlarmKind {
  Alarm alarm = Alarm::P1Lente;
  const RecordedAlarm* first = nullptr;
  long long raisings = 0;
  std::int64_t shownMilliseconds = 0, longestMilliseconds = 0;
  bool standing = false;
};

std::vector<AlarmKind> alarmKinds(const std::vector<RecordedAlarm>& alarms) {
  std::array<AlarmKind, kAlarmCount> kinds{};
  std::vector<Alarm> order;  // as first raised
  for (const RecordedAlarm& a : alarms) {
    AlarmKind& kind = kinds[static_cast<std::size_t>(a.alarm)];
    if (!kind.first) {
      kind.alarm = a.alarm;
      kind.first = &a;
      order.push_back(a.alarm);
    }
    kind.raisings += a.raisings;
    kind.shownMilliseconds += a.durationMilliseconds;
    kind.longestMilliseconds = std::max(kind.longestMilliseconds, a.durationMilliseconds);
    kind.standing = kind.standing || a.standing;
  }
  std::vector<AlarmKind> raised;
  for (Alarm alarm : order) raised.push_back(kinds[static_cast<std::size_t>(alarm)]);
  return raised;
}

QString seconds(std::int64_t milliseconds) { return text(F1(static_cast<double>(milliseconds) / 1000)); }

void placeAlarms(SheetLayout& layout, const JobRecord& record, const SheetFonts& fonts) {
  const QString title = QStringLiteral("Indicateurs de la correction (seuils fins)");
  const QString meaning = QStringLiteral("Levés dès un centième de litre d'écart entre une pompe et le plan, pour que la "
                                         "correction agisse ; à eux seuls, ils ne disent pas que le travail est mauvais.");
  if (record.alarms().empty()) {
    placeSectionTitle(layout, title, fonts, lineHeight(fonts.body, layout.device()) * 2);
    layout.placeText(meaning, fonts.small, kQuiet);
    layout.placeText(QStringLiteral("Aucun indicateur levé pendant ce travail."), fonts.body);
    return;
  }
  SheetTable table;
  table.title = title;
  table.note = meaning;
  table.columns = {{QStringLiteral("Indicateur"), 3.6, Qt::AlignLeft},
                   {QStringLiteral("Levé d'abord à (h:mm:ss)"), 1.5},
                   {QStringLiteral("Distance (m)"), 1.1},
                   {QStringLiteral("Levé (fois)"), 0.9},
                   {QStringLiteral("Durée en tout (s)"), 1.3},
                   {QStringLiteral("La plus longue (s)"), 1.2}};
  for (const AlarmKind& kind : alarmKinds(record.alarms())) {
    QString shown = seconds(kind.shownMilliseconds);
    if (kind.standing) shown = QStringLiteral("en cours, ") + shown;
    table.rows.push_back({{QString::fromUtf8(alarmCaption(kind.alarm)), clockTime(kind.first->startMilliseconds),
                           distance(kind.first->startDistance), QString::number(kind.raisings), shown,
                           seconds(kind.longestMilliseconds)}});
  }
  table.keepRows = static_cast<int>(table.rows.size());
  placeTable(layout, table, fonts);
  if (record.alarms().size() > table.rows.size())
    layout.placeText(QStringLiteral("Chacun des %1 indicateurs, avec son heure, sa distance et sa durée, est dans le "
                                    "rapport de chantier du programme et son export CSV.")
                         .arg(record.alarms().size()),
                     fonts.small, kQuiet);
  if (record.alarmsNotKept() > 0)
    layout.placeText(QStringLiteral("%1 indicateurs de plus ont été levés après ceux-ci sans être gardés.")
                         .arg(record.alarmsNotKept()),
                     fonts.body);
}

void placeSheet(SheetLayout& layout, const JobRecord& record, const JobVerdict& verdict, const JobSheetText& job,
                const Session* wall, const SheetFonts& fonts) {
  const QPaintDevice& device = layout.device();
  const qreal gap = millimetres(device, 6);

  placeHeader(layout, job, fonts);
  layout.skip(gap);
  placeVerdict(layout, verdict, fonts);
  layout.skip(gap);
  if (wall) {
    placeSectionTitle(layout, QStringLiteral("Le mur"), fonts, millimetres(device, 30));
    placeWall(layout, *wall, fonts);
    layout.skip(gap);
  }

  if (!record.started()) {
    layout.placeText(QStringLiteral("Aucun travail n'est enregistré : la machine n'a rien peint depuis le dernier "
                                    "départ du début du chemin."),
                     fonts.bodyBold);
    return;
  }
  if (wall && !record.cutFor(wall->path()))
    layout.placeText(QStringLiteral("Le plan a été modifié depuis ce travail : le mur est dessiné d'après le plan "
                                    "actuel, les chiffres sont ceux du travail enregistré."),
                     fonts.bodyBold);
  placeTotals(layout, record, fonts);
  layout.skip(gap);
  placeSurfaceTable(layout, record, fonts);
  layout.skip(gap);
  placeSectionTitle(layout, QStringLiteral("Proportion le long du chemin"), fonts, millimetres(device, 80));
  placeProportionChart(layout, record, verdict, fonts);
  layout.skip(gap);
  placeAlarms(layout, record, fonts);
}

// The fonts need a GUI application. A tool that runs without one gets one on the offscreen
// platform for the time of the drawing; the C library's locale, which the application's start
// sets from the environment, is put back after it.
class DrawingApplication {
 public:
  explicit DrawingApplication(const std::string& path) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    if (QCoreApplication::instance())
      throw FileError(path + " : la fiche de chantier ne se dessine que dans un programme graphique");
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    application_ = std::make_unique<QGuiApplication>(argc_, argv_);
    std::setlocale(LC_ALL, locale.c_str());
  }

 private:
  char name_[11] = "chromaflow", option_[10] = "-platform", platform_[10] = "offscreen";
  int argc_ = 3;
  char* argv_[4] = {name_, option_, platform_, nullptr};
  std::unique_ptr<QGuiApplication> application_;
};

QByteArray jobSheetPdf(const JobRecord& record, const JobVerdict& verdict, const JobSheetText& job, const Session* wall,
                       const std::string& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(kDotsPerInch);
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, kMarginsMm, QPageLayout::Millimeter));
  const QString project = text(job.project);
  writer.setTitle(QStringLiteral("Rapport de chantier - ") + project);
  writer.setCreator(QStringLiteral("Chromaflow"));

  const SheetFonts fonts = sheetFonts();
  const QRect content = writer.pageLayout().paintRectPixels(kDotsPerInch);
  SheetLayout layout(writer, QSizeF(content.size()), lineHeight(fonts.small, writer) * 2.5);
  placeSheet(layout, record, verdict, job, wall, fonts);

  QPainter painter;
  if (!painter.begin(&writer)) throw FileError(path + " : la fiche de chantier n'a pas pu être dessinée");
  const bool whole = layout.paint(
      painter, [&writer] { return writer.newPage(); },
      [&](QPainter& p, const QRectF& band, int number, int count) {
        p.setPen(QPen(QColor(150, 150, 150), band.height() * 0.02));
        const qreal rule = band.top() + band.height() * 0.3;
        p.drawLine(QPointF(band.left(), rule), QPointF(band.right(), rule));
        p.setFont(fonts.small);
        p.setPen(kQuiet);
        const QRectF line(band.left(), rule, band.width(), band.bottom() - rule);
        p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Rapport de chantier – ") + project);
        p.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Page %1 / %2").arg(number).arg(count));
      });
  if (!painter.end() || !whole) throw FileError(path + " : la fiche de chantier n'a pas pu être dessinée");
  return bytes;
}

}  // namespace

JobSheetText keptJobSheetText(const StoredJob& job) {
  const QString when = QDateTime::fromMSecsSinceEpoch(job.startedMs).toString(QStringLiteral("dd/MM/yyyy à HH:mm"));
  std::string painted = "Peint sur " + job.machine + " le " + when.toStdString();
  if (job.status != JobStatus::Finished) painted += std::string(" (") + statusText(job.status) + ")";
  // The kept job's text is its first line; its plan is not kept, so its wall is not drawn.
  return {job.projectName, {job.userText}, painted};
}

QByteArray jobSheetBytes(const JobRecord& record, const JobVerdict& verdict, const JobSheetText& text,
                         const Session* wall) {
  return jobSheetPdf(record, verdict, text, wall, "fiche de chantier");
}

void writeJobSheet(const JobRecord& record, const JobVerdict& verdict, const JobSheetText& text, const Session* wall,
                   const std::string& path) {
  // The target is checked and its temporary file made before anything is drawn; the file takes
  // the target's place only once the whole sheet is in it.
  StagedFile file(path);
  const DrawingApplication application(path);
  const QByteArray pdf = jobSheetPdf(record, verdict, text, wall, path);
  file.write(std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
  file.commit();
}

void writeJobSheet(const Session& session, const std::string& path) {
  const JobSheetText text{nameWithoutDirectory(session.project().name().current()), session.project().userText(), {}};
  writeJobSheet(session.jobRecord(), session.jobVerdict(), text, &session, path);
}

}  // namespace chromaflow
