// Scenes, and backup and restore of the whole scene store.
#include "Services/LayoutManager.h"

#include "Models/LayoutJson.h"
#include "Models/StoredLimits.h"
#include "Support/AtomicFile.h"
#include "Support/Logger.h"

#include <QFile>
#include <QSet>

namespace corvanta {

namespace {

qsizetype indexOfScene(const QList<TilehallScene>& scenes, const QUuid& id)
{
    for (qsizetype i = 0; i < scenes.size(); ++i) {
        if (scenes[i].id == id)
            return i;
    }
    return -1;
}

QString bracketed(const QString& name)
{
    return QStringLiteral("「") + name + QStringLiteral("」");
}

} // namespace

void LayoutManager::switchScene(const QUuid& id)
{
    if (id == m_currentSceneID)
        return;
    const qsizetype index = indexOfScene(m_scenes, id);
    if (index < 0)
        return;
    syncCurrentSceneLayout();
    const TilehallScene scene = m_scenes[index];
    setCurrentSceneID(scene.id);
    setLayout(scene.layout);
    rebuildAppLookup();
    save();
    CLOG_INFO(QStringLiteral("阶段62：切换场景 — %1（共 %2 个）").arg(bracketed(scene.name), QString::number(m_scenes.size())));
}

QUuid LayoutManager::createScene(const std::optional<QString>& name)
{
    syncCurrentSceneLayout();
    QString sceneName = boundedName(name.value_or(QString()));
    if (sceneName.isEmpty()) {
        QSet<QString> taken;
        for (const TilehallScene& scene : std::as_const(m_scenes))
            taken.insert(scene.name);
        for (qsizetype n = 1;; ++n) {
            sceneName = QStringLiteral("场景 %1").arg(n);
            if (!taken.contains(sceneName))
                break;
        }
    }
    const TilehallScene scene{QUuid::createUuid(), sceneName, TilehallLayout{{newEmptyPage()}, {}}};
    QList<TilehallScene> scenes = m_scenes;
    scenes.append(scene);
    setScenes(std::move(scenes));
    setCurrentSceneID(scene.id);
    setLayout(scene.layout);
    rebuildAppLookup();
    save();
    CLOG_INFO(QStringLiteral("阶段62：新建场景 — ") + bracketed(sceneName));
    return scene.id;
}

std::optional<QUuid> LayoutManager::duplicateScene(const std::optional<QUuid>& id)
{
    syncCurrentSceneLayout();
    const qsizetype index = indexOfScene(m_scenes, id.value_or(m_currentSceneID));
    if (index < 0)
        return std::nullopt;
    const TilehallScene& source = m_scenes[index];
    const TilehallScene copy{QUuid::createUuid(), cutName(source.name + QStringLiteral(" 副本")), source.layout};
    const QString sourceName = source.name;
    QList<TilehallScene> scenes = m_scenes;
    scenes.insert(index + 1, copy);
    setScenes(std::move(scenes));
    setCurrentSceneID(copy.id);
    setLayout(copy.layout);
    rebuildAppLookup();
    save();
    CLOG_INFO(QStringLiteral("阶段62：复制场景 — %1→%2").arg(bracketed(sourceName), bracketed(copy.name)));
    return copy.id;
}

void LayoutManager::renameScene(const QUuid& id, const QString& name)
{
    const QString trimmed = boundedName(name);
    if (trimmed.isEmpty())
        return;
    const qsizetype index = indexOfScene(m_scenes, id);
    if (index < 0 || m_scenes[index].name == trimmed)
        return;
    QList<TilehallScene> scenes = m_scenes;
    scenes[index].name = trimmed;
    setScenes(std::move(scenes));
    save();
    CLOG_INFO(QStringLiteral("阶段62：重命名场景 — ") + bracketed(trimmed));
}

bool LayoutManager::deleteScene(const QUuid& id)
{
    if (m_scenes.size() <= 1)
        return false;
    const qsizetype index = indexOfScene(m_scenes, id);
    if (index < 0)
        return false;
    const QString name = m_scenes[index].name;
    QList<TilehallScene> scenes = m_scenes;
    scenes.removeAt(index);
    setScenes(std::move(scenes));
    if (id == m_currentSceneID) {
        // The deleted scene's unsaved working changes go with it.
        const TilehallScene& first = m_scenes.first();
        setCurrentSceneID(first.id);
        setLayout(first.layout);
        rebuildAppLookup();
    }
    save();
    CLOG_INFO(QStringLiteral("阶段62：删除场景 — %1（剩 %2 个）").arg(bracketed(name), QString::number(m_scenes.size())));
    return true;
}

std::optional<LayoutFileError> LayoutManager::backupLayout(const QString& path)
{
    syncCurrentSceneLayout();
    const QByteArray bytes = encodeSceneStore(SceneStore{m_currentSceneID, m_scenes});
    // A backup the restore would refuse is none.
    if (bytes.size() > StoredLimits::maxLayoutFileBytes) {
        CLOG_ERROR(QStringLiteral("布局过大（") + QString::number(bytes.size()) + QStringLiteral(" 字节），未写入备份：") + path);
        return LayoutFileError{QStringLiteral("Corvanta"), 2,
                               QStringLiteral("布局过大（上限 %1 MB），未写入备份").arg(StoredLimits::maxLayoutFileBytes / (1024 * 1024))};
    }
    QString error;
    if (!writeFileAtomically(path, bytes, &error))
        return LayoutFileError{QStringLiteral("File"), 0, error};
    return std::nullopt;
}

std::optional<LayoutFileError> LayoutManager::restoreLayout(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LayoutFileError{QStringLiteral("File"), static_cast<int>(file.error()), file.errorString()};
    if (file.size() > StoredLimits::maxLayoutFileBytes)
        return LayoutFileError{QStringLiteral("Corvanta"), 2,
                               QStringLiteral("备份文件过大（上限 %1 MB）").arg(StoredLimits::maxLayoutFileBytes / (1024 * 1024))};
    const QByteArray bytes = file.readAll();

    const std::optional<SceneStore> store = decodeAcceptedStore(bytes, nullptr);
    if (!store)
        return LayoutFileError{QStringLiteral("Corvanta"), 1,
                               QStringLiteral("无法解析备份文件（不是有效的布局或场景备份）")};

    applyStore(*store);
    rebuildAppLookup();
    save();
    CLOG_INFO(QStringLiteral("阶段62：恢复备份 — 共 %1 个场景，当前%2")
                  .arg(QString::number(m_scenes.size()), bracketed(store->currentScene().name)));
    return std::nullopt;
}

} // namespace corvanta
