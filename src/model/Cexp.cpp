#include "Cexp.h"

#include "IniFile.h"
#include "NumberFormat.h"

#include <type_traits>

namespace {

const QString KeyButtonLabels = QStringLiteral("BUTTONLABELS");
const QString KeyJudge = QStringLiteral("JUDGE");
const QString KeyYellow = QStringLiteral("YELLOW");
const QString KeyCorrect = QStringLiteral("CORRECT");
const QString KeyShowAnswer = QStringLiteral("SHOWANSWER");
const QString KeyDivisions = QStringLiteral("DIVISIONS");
const QString KeyScales = QStringLiteral("SCALES");
const QString KeyHorizontalButtons = QStringLiteral("HORIZONTALBUTTONS");
const QString KeyPlay = QStringLiteral("PLAY");
const QString KeyFontSize = QStringLiteral("FONTSIZE");
const QString KeyMethod = QStringLiteral("METHOD");
const QString Yes = QStringLiteral("YES");
const QString No = QStringLiteral("NO");

constexpr double DefaultShowAnswer = 0.5;
constexpr int DefaultFontSize = 12;
constexpr int DefaultDivisions = 3;

const QString& Section() {
    return CExpBase::Section;
}

// Booleans are "YES" in any letter case; every other text is false.
bool ReadYes(const tamvik::IniFile& ini, const QString& key) {
    return ini.ReadString(Section(), key, Yes).toUpper() == Yes;
}

void WriteYes(tamvik::IniFile& ini, const QString& key, bool value) {
    ini.WriteString(Section(), key, value ? Yes : No);
}

int ReadInt(const tamvik::IniFile& ini, const QString& key, int def) {
    int value = def;
    return tamvik::ParseInt(ini.ReadString(Section(), key, QString()), value) ? value : def;
}

void WriteInt(tamvik::IniFile& ini, const QString& key, int value) {
    ini.WriteString(Section(), key, FormatInteger(value));
}

tamvik::IniFile ReadEntry(const QString& path) {
    tamvik::IniFile ini;
    CTamvikProjectBase::ReadEntryFile(path, ini);
    return ini;
}

} // namespace

// ---- CExpBase

void CExpBase::LoadBase(const tamvik::IniFile& ini) {
    play = ReadYes(ini, KeyPlay);
    fontSize = ReadInt(ini, KeyFontSize, DefaultFontSize);
    if (fontSize < 1)
        fontSize = DefaultFontSize;
}

void CExpBase::SaveBase(tamvik::IniFile& ini) const {
    WriteYes(ini, KeyPlay, play);
    WriteInt(ini, KeyFontSize, fontSize);
}

void CExpBase::LoadBase(const QString& path) {
    LoadBase(ReadEntry(path));
}

void CExpBase::SaveBase(const QString& path) const {
    WriteEntryFile(path, false, [this](tamvik::IniFile& ini) { SaveBase(ini); });
}

// ---- CExpTraining

void CExpTraining::Load(const tamvik::IniFile& ini) {
    SplitList(ini.ReadString(Section, KeyButtonLabels, QString()), buttonLabels, true);
    judge = ReadYes(ini, KeyJudge);
    yellow = ReadYes(ini, KeyYellow);
    correct = ReadYes(ini, KeyCorrect);
    double value = DefaultShowAnswer;
    if (!tamvik::ParseReal(ini.ReadString(Section, KeyShowAnswer, QString()), value) || !(value > 0))
        value = DefaultShowAnswer;
    showAnswer = value;
    LoadBase(ini);
}

void CExpTraining::Save(tamvik::IniFile& ini) const {
    QString labels;
    JoinList(buttonLabels, labels, true);
    ini.WriteString(Section, KeyButtonLabels, labels);
    WriteYes(ini, KeyJudge, judge);
    WriteYes(ini, KeyYellow, yellow);
    WriteYes(ini, KeyCorrect, correct);
    ini.WriteString(Section, KeyShowAnswer, tamvik::FormatReal(showAnswer));
    SaveBase(ini);
}

void CExpTraining::Load(const QString& path) {
    Load(ReadEntry(path));
}
void CExpTraining::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}

// ---- CExpSD

void CExpSD::SplitScales(const std::vector<QString>& words) {
    scales.clear();
    scales.reserve((words.size() + 1) / 2);
    for (size_t i = 0; i < words.size(); i += 2)
        scales.push_back(CSDScale{words[i], i + 1 < words.size() ? words[i + 1] : QString()});
}

QString CExpSD::JoinScales() const {
    std::vector<QString> words;
    words.reserve(scales.size() * 2);
    for (const CSDScale& scale : scales) {
        words.push_back(scale.left);
        words.push_back(scale.right);
    }
    QString text;
    JoinList(words, text, true);
    return text;
}

void CExpSD::Load(const tamvik::IniFile& ini) {
    divisions = ReadInt(ini, KeyDivisions, DefaultDivisions);
    std::vector<QString> words;
    SplitList(ini.ReadString(Section, KeyScales, QString()), words, true);
    SplitScales(words);
    LoadBase(ini);
}

void CExpSD::Save(tamvik::IniFile& ini) const {
    WriteInt(ini, KeyDivisions, divisions);
    ini.WriteString(Section, KeyScales, JoinScales());
    SaveBase(ini);
}

void CExpSD::Load(const QString& path) {
    Load(ReadEntry(path));
}
void CExpSD::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}

// ---- CExpCategory

void CExpCategory::Load(const tamvik::IniFile& ini) {
    SplitList(ini.ReadString(Section, KeyButtonLabels, QString()), buttonLabels, true);
    horizontalButtons = ReadYes(ini, KeyHorizontalButtons);
    LoadBase(ini);
}

void CExpCategory::Save(tamvik::IniFile& ini) const {
    QString labels;
    JoinList(buttonLabels, labels, true);
    ini.WriteString(Section, KeyButtonLabels, labels);
    WriteYes(ini, KeyHorizontalButtons, horizontalButtons);
    SaveBase(ini);
}

void CExpCategory::Load(const QString& path) {
    Load(ReadEntry(path));
}
void CExpCategory::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}

// ---- CExpME

void CExpME::Load(const tamvik::IniFile& ini) {
    LoadBase(ini);
}
void CExpME::Save(tamvik::IniFile& ini) const {
    SaveBase(ini);
}
void CExpME::Load(const QString& path) {
    Load(ReadEntry(path));
}
void CExpME::Save(const QString& path, bool replace) const {
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}

// ---- CExperimentParameter

namespace {

std::unique_ptr<CExpBase> NewParameters(int method) {
    switch (method) {
    case 0:
        return std::make_unique<CExpTraining>();
    case 1:
        return std::make_unique<CExpSD>();
    case 2:
    case 3:
        return std::make_unique<CExpCategory>();
    case 4:
        return std::make_unique<CExpME>();
    default:
        return nullptr;
    }
}

// Calls f with the parameter object as its own class, which follows from the method (the
// two are always set together). Nothing is called without parameters.
template <class Base, class F> void VisitParameters(int method, Base* parameters, F&& f) {
    if (!parameters)
        return;
    constexpr bool isConst = std::is_const_v<Base>;
    auto as = [parameters]<class T>() -> auto& {
        return *static_cast<std::conditional_t<isConst, const T*, T*>>(parameters);
    };
    switch (method) {
    case 0:
        f(as.template operator()<CExpTraining>());
        break;
    case 1:
        f(as.template operator()<CExpSD>());
        break;
    case 2:
    case 3:
        f(as.template operator()<CExpCategory>());
        break;
    case 4:
        f(as.template operator()<CExpME>());
        break;
    default:
        break;
    }
}

std::unique_ptr<CExpBase> CopyParameters(int method, const CExpBase* parameters) {
    std::unique_ptr<CExpBase> copy;
    VisitParameters(method, parameters,
                    [&copy](const auto& p) { copy = std::make_unique<std::remove_cvref_t<decltype(p)>>(p); });
    return copy;
}

} // namespace

CExperimentParameter::CExperimentParameter(const CExperimentParameter& other)
    : CTamvikProjectBase(other), method(other.method),
      parameters(CopyParameters(other.method, other.parameters.get())) {}

CExperimentParameter& CExperimentParameter::operator=(const CExperimentParameter& other) {
    if (this != &other) {
        parameters = CopyParameters(other.method, other.parameters.get());
        method = other.method;
    }
    return *this;
}

CExperimentParameter::CExperimentParameter(CExperimentParameter&& other) noexcept
    : CTamvikProjectBase(other), method(other.method), parameters(std::move(other.parameters)) {
    other.method = -1;
}

CExperimentParameter& CExperimentParameter::operator=(CExperimentParameter&& other) noexcept {
    if (this != &other) {
        parameters = std::move(other.parameters);
        method = other.method;
        other.method = -1;
    }
    return *this;
}

void CExperimentParameter::SetMethod(int value) {
    if (value < 0 || value > 4) {
        method = -1;
        parameters.reset();
        return;
    }
    if (value == method && parameters)
        return;
    parameters = NewParameters(value);
    method = value;
}

template <class T> static T* ParametersIf(int method, int wanted, const std::unique_ptr<CExpBase>& p) {
    return method == wanted && p ? static_cast<T*>(p.get()) : nullptr;
}

CExpTraining* CExperimentParameter::GetTraining() {
    return ParametersIf<CExpTraining>(method, 0, parameters);
}
CExpSD* CExperimentParameter::GetSD() {
    return ParametersIf<CExpSD>(method, 1, parameters);
}
CExpCategory* CExperimentParameter::GetPair() {
    return ParametersIf<CExpCategory>(method, 2, parameters);
}
CExpCategory* CExperimentParameter::GetCategory() {
    return ParametersIf<CExpCategory>(method, 3, parameters);
}
CExpME* CExperimentParameter::GetME() {
    return ParametersIf<CExpME>(method, 4, parameters);
}
const CExpTraining* CExperimentParameter::GetTraining() const {
    return ParametersIf<CExpTraining>(method, 0, parameters);
}
const CExpSD* CExperimentParameter::GetSD() const {
    return ParametersIf<CExpSD>(method, 1, parameters);
}
const CExpCategory* CExperimentParameter::GetPair() const {
    return ParametersIf<CExpCategory>(method, 2, parameters);
}
const CExpCategory* CExperimentParameter::GetCategory() const {
    return ParametersIf<CExpCategory>(method, 3, parameters);
}
const CExpME* CExperimentParameter::GetME() const {
    return ParametersIf<CExpME>(method, 4, parameters);
}

void CExperimentParameter::Load(const QString& path, bool readMethod) {
    if (method == -1 && !readMethod)
        return;
    Load(ReadEntry(path), readMethod);
}

void CExperimentParameter::Load(const tamvik::IniFile& ini, bool readMethod) {
    if (readMethod)
        SetMethod(ReadInt(ini, KeyMethod, -1));
    VisitParameters(method, parameters.get(), [&ini](auto& p) { p.Load(ini); });
}

void CExperimentParameter::Save(tamvik::IniFile& ini) const {
    if (!parameters)
        return; // no method: nothing is written
    VisitParameters(method, parameters.get(), [&ini](const auto& p) { p.Save(ini); });
    WriteInt(ini, KeyMethod, method);
}

void CExperimentParameter::Save(const QString& path, bool replace) const {
    if (method == -1)
        return;
    WriteEntryFile(path, replace, [this](tamvik::IniFile& ini) { Save(ini); });
}

bool CExperimentParameter::operator==(const CExperimentParameter& other) const {
    if (method != other.method || !parameters != !other.parameters)
        return false;
    bool same = true;
    VisitParameters(method, parameters.get(), [&other, &same](const auto& p) {
        same = p == static_cast<const std::remove_cvref_t<decltype(p)>&>(*other.parameters);
    });
    return same;
}
