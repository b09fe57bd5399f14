#include "gui/main/keychain_password_keeper.h"

#include <qt6keychain/keychain.h>

#include <utility>

namespace chromaflow {
namespace {

PasswordKeeper::Answer answerOf(const QKeychain::Job& job) {
  PasswordKeeper::Answer answer;
  switch (job.error()) {
    case QKeychain::NoError:
      answer.outcome = PasswordKeeper::Outcome::Done;
      break;
    case QKeychain::EntryNotFound:
      answer.outcome = PasswordKeeper::Outcome::NotFound;
      break;
    case QKeychain::AccessDenied:
    case QKeychain::AccessDeniedByUser:
      answer.outcome = PasswordKeeper::Outcome::Refused;
      break;
    default:  // NoBackendAvailable, NotImplemented, OtherError...
      answer.outcome = PasswordKeeper::Outcome::NoKeeper;
      break;
  }
  if (answer.outcome != PasswordKeeper::Outcome::Done) answer.detail = job.errorString().toStdString();
  return answer;
}

}  // namespace

KeychainPasswordKeeper::KeychainPasswordKeeper(QString service) : service_(std::move(service)) {}

KeychainPasswordKeeper::~KeychainPasswordKeeper() = default;

// The jobs delete themselves once they have answered; they have no parent, so that one still
// talking to the secret service is never deleted under it.
void KeychainPasswordKeeper::keep(const std::string& key, const std::string& password, Done done) {
  auto* job = new QKeychain::WritePasswordJob(service_);
  job->setAutoDelete(true);
  job->setInsecureFallback(false);
  job->setKey(QString::fromStdString(key));
  job->setTextData(QString::fromStdString(password));
  QObject::connect(job, &QKeychain::Job::finished, &answers_,
                   [done = std::move(done)](QKeychain::Job* finished) { done(answerOf(*finished)); });
  job->start();
}

void KeychainPasswordKeeper::find(const std::string& key, Done done) {
  auto* job = new QKeychain::ReadPasswordJob(service_);
  job->setAutoDelete(true);
  job->setInsecureFallback(false);
  job->setKey(QString::fromStdString(key));
  QObject::connect(job, &QKeychain::Job::finished, &answers_, [done = std::move(done)](QKeychain::Job* finished) {
    Answer answer = answerOf(*finished);
    if (answer.outcome == Outcome::Done)
      answer.password = static_cast<QKeychain::ReadPasswordJob*>(finished)->textData().toStdString();
    done(answer);
  });
  job->start();
}

}  // namespace chromaflow
