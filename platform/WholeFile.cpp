#include "WholeFile.h"

#include <QFile>
#include <QSaveFile>

#include <map>
#include <utility>

namespace {
std::map<int, WholeFileObserver>& observers()
{
    static std::map<int, WholeFileObserver> all;
    return all;
}

} // namespace

void tellWholeFileObservers(const QString& path, const QByteArray& bytes)
{
    // A copy: an observer may itself write a file, or remove itself, while it is told.
    const auto current = observers();
    for (const auto& [id, observer] : current)
        observer(path, bytes);
}

int addWholeFileObserver(WholeFileObserver observer)
{
    static int lastId = 0;
    observers().emplace(++lastId, std::move(observer));
    return lastId;
}

void removeWholeFileObserver(int id)
{
    observers().erase(id);
}

WholeFileResult writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Without this, a target that cannot be replaced atomically would be overwritten in place.
    file.setDirectWriteFallback(false);
    // Unbuffered: through the write buffer, a disk that fills part-way is not reported and
    // commit() renames the truncated file over the earlier one (seen with Qt 6.4).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {false, file.errorString()};
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            const QString error = file.errorString();
            file.cancelWriting();
            return {false, error};
        }
        done += qsizetype(written);
    }
    if (file.size() != bytes.size()) {
        file.cancelWriting();
        return {false, QStringLiteral("The file was not written completely.")};
    }
    if (!file.commit())
        return {false, file.errorString()};
    tellWholeFileObservers(path, bytes);
    return {true, {}};
}

WholeFileResult copyWholeFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {false, in.errorString()};
    const QByteArray bytes = in.readAll();
    // readAll() returns what it got before a read failed; only the error tells it was cut short.
    if (in.error() != QFileDevice::NoError)
        return {false, in.errorString()};
    return writeWholeFile(target, bytes);
}
