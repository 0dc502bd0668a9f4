#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QLocalServer;

namespace dossiva {

// Keeps Dossiva to one running instance per user: a second start hands its
// files to the first (which opens them as files handed over by the system)
// and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance took the files; this one should end.
    bool handOver(const QStringList& files);
    // Starts listening for files from later starts.
    void listen(std::function<void(const QString&)> openFile);

private:
    static QString serverName();
    QLocalServer* m_server = nullptr;
    std::function<void(const QString&)> m_openFile;
};

} // namespace dossiva
