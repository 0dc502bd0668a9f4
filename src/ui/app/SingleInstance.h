#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QLocalServer;

namespace dossiva {

// Keeps Dossiva to one running instance per user: a second start hands its
// files (perhaps none) to the first, which comes to the front and opens
// them as files handed over by the system, and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)
public:
    // The user's instance, or one of another name (tests run their own).
    explicit SingleInstance(QString serverName = defaultServerName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance took the files; this one should end.
    bool handOver(const QStringList& files);
    // Starts listening for later starts: each one arrives once, with its
    // files, or none when it was started without any.
    void listen(std::function<void(const QStringList&)> arrived);

    static QString defaultServerName();

private:
    QString m_serverName;
    QLocalServer* m_server = nullptr;
    std::function<void(const QStringList&)> m_arrived;
};

} // namespace dossiva
