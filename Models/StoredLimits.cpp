#include "Models/StoredLimits.h"

namespace corvanta {

QString cutName(const QString& name)
{
    if (name.size() <= StoredLimits::maxNameLength)
        return name;
    qsizetype length = StoredLimits::maxNameLength;
    if (name.at(length - 1).isHighSurrogate())
        --length;
    return name.left(length);
}

namespace {

void cut(QString& name, int& count)
{
    if (name.size() <= StoredLimits::maxNameLength)
        return;
    name = cutName(name);
    ++count;
}

} // namespace

int cutStoredNames(SceneStore& store)
{
    int count = 0;
    for (TilehallScene& scene : store.scenes) {
        cut(scene.name, count);
        for (TilehallPage& page : scene.layout.pages) {
            for (PageEntry& entry : page.entries) {
                if (AppItem* app = entry.asApp()) {
                    cut(app->name, count);
                } else if (AppGroup* group = entry.asGroup()) {
                    cut(group->name, count);
                    for (AppItem& member : group->apps)
                        cut(member.name, count);
                }
            }
        }
    }
    return count;
}

namespace {

void dropIdentifier(AppItem& app, int& count)
{
    if (app.bundleIdentifier.size() <= StoredLimits::maxIdentifierLength)
        return;
    app.bundleIdentifier.clear();
    ++count;
}

} // namespace

int dropOverlongIdentifiers(SceneStore& store)
{
    int count = 0;
    for (TilehallScene& scene : store.scenes) {
        for (TilehallPage& page : scene.layout.pages) {
            for (PageEntry& entry : page.entries) {
                if (AppItem* app = entry.asApp()) {
                    dropIdentifier(*app, count);
                } else if (AppGroup* group = entry.asGroup()) {
                    for (AppItem& member : group->apps)
                        dropIdentifier(member, count);
                }
            }
        }
    }
    return count;
}

} // namespace corvanta
