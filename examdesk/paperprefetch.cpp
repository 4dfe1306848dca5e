#include "paperprefetch.h"

#include <QFile>

#include <thread>

PaperPrefetch::PaperPrefetch(QList<File> files)
    : m_state(std::make_shared<State>())
{
    // Detached, holding its own share of the state: a copy stuck on a share that went away
    // must not hold the window when it closes.
    std::thread([state = m_state, files = std::move(files)] {
        for (const File &f : files) {
            {
                std::lock_guard guard(state->mutex);
                if (state->stop)
                    return;
                if (state->done.contains(f.target))
                    continue;
            }
            // Copied under another name and renamed, so the window never loads half a file.
            const QString part = f.target + QStringLiteral(".part");
            QFile::remove(part);
            if (!QFile::copy(f.source, part))
                continue; // the window copies it itself when it is shown
            std::lock_guard guard(state->mutex);
            if (state->stop || state->done.contains(f.target)) {
                QFile::remove(part);
                if (state->stop)
                    return;
                continue;
            }
            QFile::remove(f.target);
            if (QFile::rename(part, f.target))
                state->done.insert(f.target);
            else
                QFile::remove(part);
        }
    }).detach();
}

PaperPrefetch::~PaperPrefetch()
{
    std::lock_guard guard(m_state->mutex);
    m_state->stop = true;
}

bool PaperPrefetch::copied(const QString &target) const
{
    std::lock_guard guard(m_state->mutex);
    return m_state->done.contains(target);
}

void PaperPrefetch::claim(const QString &target)
{
    std::lock_guard guard(m_state->mutex);
    m_state->done.insert(target);
}
