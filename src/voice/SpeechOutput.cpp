#include "SpeechOutput.h"

#include "Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QTextToSpeech>
#include <memory>

namespace {

class QtSpeechOutput : public SpeechOutput {
public:
    using SpeechOutput::SpeechOutput;
    bool say(const QString &text) override
    {
        QTextToSpeech *engine = voice();
        if (!engine)
            return false;
        // The engine says that it speaks only once it has begun: until it says that it is done,
        // the text counts as being said.
        m_saying = true;
        engine->say(text);
        m_saying = engine->state() != QTextToSpeech::Error;
        return m_saying;
    }
    bool speaking() const override { return m_saying; }

private:
    // Made once: opening an engine costs time, and one that failed fails again.
    QTextToSpeech *voice()
    {
        if (m_tried)
            return m_engine.get();
        m_tried = true;
        const QStringList engines = QTextToSpeech::availableEngines();
        // Where no speech-dispatcher runs, its library would start one and wait for it: the
        // built-in voice is asked instead.
        QStringList order;
        if (engines.contains(QStringLiteral("speechd")) && speechDispatcherRuns())
            order << QStringLiteral("speechd");
        if (engines.contains(QStringLiteral("flite")))
            order << QStringLiteral("flite");
        for (const QString &name : std::as_const(order)) {
            auto engine = std::make_unique<QTextToSpeech>(name);
            if (engine->state() == QTextToSpeech::Error) {
                qCWarning(lcVoice).noquote() << "voice" << name << "not usable:" << engine->errorString();
                continue;
            }
            connect(engine.get(), &QTextToSpeech::stateChanged, this, [this](QTextToSpeech::State s) {
                if ((s == QTextToSpeech::Ready || s == QTextToSpeech::Error) && m_saying) {
                    m_saying = false;
                    emit finished();
                }
            });
            qCDebug(lcVoice).noquote() << "names are said by the voice" << name;
            m_engine = std::move(engine);
            break;
        }
        if (!m_engine)
            qCWarning(lcVoice) << "no voice to say the callers' names; the recordings alone are played";
        return m_engine.get();
    }

    static bool speechDispatcherRuns()
    {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        return !runtime.isEmpty() &&
               QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("speech-dispatcher/speechd.sock")));
    }

    std::unique_ptr<QTextToSpeech> m_engine;
    bool m_tried = false;
    bool m_saying = false;
};

SpeechOutput *g_installed = nullptr;

} // namespace

SpeechOutput &SpeechOutput::current()
{
    if (g_installed)
        return *g_installed;
    // Goes with the application, before the audio it speaks through.
    static QPointer<QtSpeechOutput> real;
    if (!real)
        real = new QtSpeechOutput(QCoreApplication::instance());
    return *real;
}

void SpeechOutput::install(SpeechOutput *s)
{
    g_installed = s;
}
