#include "RadixLocale.h"

#include <QFile>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// Only what the numeric category needs: the source and a charmap holding its characters.
constexpr const char* LocaleSource = "LC_NUMERIC\n"
                                     "decimal_point \"<U066B>\"\n"
                                     "thousands_sep \"<U066C>\"\n"
                                     "grouping 3\n"
                                     "END LC_NUMERIC\n";
constexpr const char* Charmap = "<code_set_name> UTF-8\n"
                                "<escape_char> /\n"
                                "<comment_char> %\n"
                                "<mb_cur_min> 1\n"
                                "<mb_cur_max> 6\n"
                                "CHARMAP\n"
                                "<U0000> /x00 NULL\n"
                                "<U066B> /xd9/xab ARABIC DECIMAL SEPARATOR\n"
                                "<U066C> /xd9/xac ARABIC THOUSANDS SEPARATOR\n"
                                "END CHARMAP\n";
constexpr const char* GeneratedName = "radix.UTF-8";

bool WriteText(const QString& path, const char* text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == static_cast<qint64>(std::strlen(text));
}

bool RadixIsMultiByte() {
    const char* point = std::localeconv()->decimal_point;
    return point && std::strlen(point) > 1;
}

} // namespace

RadixLocale::RadixLocale() {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    m_previous = current ? current : "C";
    if (const char* locPath = std::getenv("LOCPATH")) {
        m_hadLocPath = true;
        m_previousLocPath = locPath;
    }
    if (std::setlocale(LC_NUMERIC, "ps_AF.UTF-8") && RadixIsMultiByte()) {
        m_active = true;
        return;
    }
    m_active = Generate() && std::setlocale(LC_NUMERIC, GeneratedName) && RadixIsMultiByte();
    if (!m_active)
        std::setlocale(LC_NUMERIC, m_previous.c_str());
}

bool RadixLocale::Generate() {
    if (!m_dir.isValid() || !WriteText(m_dir.file("radix.src"), LocaleSource) ||
        !WriteText(m_dir.file("radix.map"), Charmap))
        return false;
    const std::string source = m_dir.file("radix.src").toStdString();
    const std::string charmap = m_dir.file("radix.map").toStdString();
    const std::string output = m_dir.file(GeneratedName).toStdString();
    // -c: the other categories are missing on purpose; localedef warns and writes anyway.
    const char* argv[] = {"localedef",     "-c",           "-i",   source.c_str(), "-f",
                          charmap.c_str(), output.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const bool started =
        posix_spawnp(&pid, "localedef", &actions, nullptr, const_cast<char**>(argv), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (!started || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return false;
    if (!QFile::exists(m_dir.file(QStringLiteral("%1/LC_NUMERIC").arg(QLatin1String(GeneratedName)))))
        return false;
    ::setenv("LOCPATH", m_dir.path().toLocal8Bit().constData(), 1);
    return true;
}

RadixLocale::~RadixLocale() {
    std::setlocale(LC_NUMERIC, m_previous.c_str());
    if (m_hadLocPath)
        ::setenv("LOCPATH", m_previousLocPath.c_str(), 1);
    else
        ::unsetenv("LOCPATH");
}
