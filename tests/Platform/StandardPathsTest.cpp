#include "Platform/StandardPaths.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

// Sets an environment variable for the life of a test and puts the previous value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_previous(qgetenv(name))
    {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_previous);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_previous;
};

} // namespace

TEST(StandardPaths, XdgFoldersFollowTheEnvironmentOrFallBackUnderHome)
{
    const QString home = StandardPaths::homeDirectory();
    struct Case {
        const char* value;
        QString expectedData;
        QString expectedState;
    };
    const Case cases[] = {
        {"/srv/x/", QStringLiteral("/srv/x"), QStringLiteral("/srv/x")},
        {nullptr, home + QStringLiteral("/.local/share"), home + QStringLiteral("/.local/state")},
        {"", home + QStringLiteral("/.local/share"), home + QStringLiteral("/.local/state")},
        {"relative/dir", home + QStringLiteral("/.local/share"), home + QStringLiteral("/.local/state")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        ScopedEnv data("XDG_DATA_HOME", c.value);
        ScopedEnv state("XDG_STATE_HOME", c.value);
        EXPECT_EQ(StandardPaths::applicationSupportDirectory(), c.expectedData);
        EXPECT_EQ(StandardPaths::logsBaseDirectory(), c.expectedState);
    }
}

TEST(StandardPaths, ApplicationDirectoriesOverride)
{
    {
        ScopedEnv dirs(StandardPaths::applicationDirectoriesVariable, "/a/apps::/b/Utilities/:");
        EXPECT_EQ(StandardPaths::applicationDirectoriesOverride(),
                  (QStringList{QStringLiteral("/a/apps"), QStringLiteral("/b/Utilities")}));
    }
    for (const char* value : {static_cast<const char*>(nullptr), "", ":"}) {
        SCOPED_TRACE(value ? value : "(unset)");
        ScopedEnv dirs(StandardPaths::applicationDirectoriesVariable, value);
        EXPECT_FALSE(StandardPaths::applicationDirectoriesOverride().has_value());
    }
}
