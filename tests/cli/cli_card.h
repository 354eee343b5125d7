#pragma once

// One small card from the card maker, written once per test program and
// shared by the tests that only read it: a few regular recordings of every
// kind and the damaged variants.

#include "cardmaker.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace kv::cli::test_card {

struct Card {
    QTemporaryDir dir;
    cardmaker::CardOptions options;
    std::vector<cardmaker::CardRecording> plan;
    QString error;
    bool ok = false;

    QString root() const { return dir.path() + QStringLiteral("/CARD"); }
    QString Path(const QString& relative) const { return root() + u'/' + relative; }
};

inline const Card& Shared() {
    static const std::unique_ptr<Card> card = [] {
        auto c = std::make_unique<Card>();
        c->options = cardmaker::TinyCardOptions();
        c->options.count = 20; // one of every kind: drive, parking, time-lapse
        c->options.damaged = true;
        c->options.jobs = 2;
        c->ok = cardmaker::WriteCard(c->options, c->root(), &c->error);
        c->plan = cardmaker::PlanCard(c->options);
        return c;
    }();
    return *card;
}

inline bool Damaged(const cardmaker::CardRecording& r) {
    return r.variant == cardmaker::CardVariant::PowerLoss ||
           r.variant == cardmaker::CardVariant::CutInsideMovi;
}

// Runs a program to its end; its standard output, or nothing when it did not run.
struct ProgramRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

inline ProgramRun RunProgram(const QString& program, const QStringList& args,
                             const QString& folder = QString()) {
    ProgramRun run;
    QProcess process;
    if (!folder.isEmpty()) {
        process.setWorkingDirectory(folder);
    }
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.code = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace kv::cli::test_card
