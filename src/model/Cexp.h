#pragma once

#include "CTamvikProjectBase.h"

#include <QString>
#include <memory>
#include <vector>

namespace tamvik {
class IniFile;
}

// The parameter classes of the experiment methods. All of them live in the section
// [EXPERIMENT] of the entry EXP.INI. Their path-based Save throws std::runtime_error when the
// file cannot be written; reading never fails on content (every key falls back to its
// default).

// Parameters every method has. Owned by a CExperimentParameter.
class CExpBase : public CTamvikProjectBase {
public:
    static inline const QString Section = QStringLiteral("EXPERIMENT");

    void LoadBase(const QString& path);
    void SaveBase(const QString& path) const;
    void LoadBase(const tamvik::IniFile& ini);
    void SaveBase(tamvik::IniFile& ini) const;

    bool SameBase(const CExpBase& o) const { return play == o.play && fontSize == o.fontSize; }

    bool play = true; // play indicator lamp shown
    int fontSize = 12;
};

// Method 0, training.
class CExpTraining : public CExpBase {
public:
    void Load(const QString& path);
    void Save(const QString& path, bool replace) const;
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    bool operator==(const CExpTraining& o) const {
        return SameBase(o) && buttonLabels == o.buttonLabels && judge == o.judge && yellow == o.yellow &&
               correct == o.correct && showAnswer == o.showAnswer;
    }

    std::vector<QString> buttonLabels;
    bool judge = false;
    bool yellow = false;
    bool correct = false;
    double showAnswer = 0.5; // greater than 0 after loading
};

// One rating scale of the SD method.
struct CSDScale {
    QString left;
    QString right;

    bool operator==(const CSDScale&) const = default;
};

// Method 1, semantic differential.
class CExpSD : public CExpBase {
public:
    void Load(const QString& path);
    void Save(const QString& path, bool replace) const;
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    // Words taken two at a time as left and right; an odd last word gets an empty right.
    void SplitScales(const std::vector<QString>& words);
    // The words left, right of every scale, joined with escaping.
    QString JoinScales() const;

    bool operator==(const CExpSD& o) const {
        return SameBase(o) && scales == o.scales && divisions == o.divisions;
    }

    std::vector<CSDScale> scales;
    int divisions = 3;
};

// Methods 2 (paired comparison) and 3 (category).
class CExpCategory : public CExpBase {
public:
    void Load(const QString& path);
    void Save(const QString& path, bool replace) const;
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    bool operator==(const CExpCategory& o) const {
        return SameBase(o) && buttonLabels == o.buttonLabels && horizontalButtons == o.horizontalButtons;
    }

    std::vector<QString> buttonLabels;
    bool horizontalButtons = true;
};

// Method 4, magnitude estimation: nothing beyond the common parameters.
class CExpME : public CExpBase {
public:
    void Load(const QString& path);
    void Save(const QString& path, bool replace) const;
    void Load(const tamvik::IniFile& ini);
    void Save(tamvik::IniFile& ini) const;

    bool operator==(const CExpME& o) const { return SameBase(o); }
};

// The experiment method of a project and the parameters of that method, stored in EXP.INI.
// Owned by the project; a stored response keeps its own copy. Copies are deep.
class CExperimentParameter : public CTamvikProjectBase {
public:
    static inline const QString Section = CExpBase::Section;

    CExperimentParameter() = default;
    CExperimentParameter(const CExperimentParameter& other);
    CExperimentParameter& operator=(const CExperimentParameter& other);
    CExperimentParameter(CExperimentParameter&& other) noexcept;
    CExperimentParameter& operator=(CExperimentParameter&& other) noexcept;
    ~CExperimentParameter() override = default;

    // 0..4 selects a method (a new parameter object unless it is already the method);
    // anything else gives method -1 without parameters.
    void SetMethod(int value);
    int GetMethod() const { return method; }

    // Each answers the parameter object only when the method matches, else null.
    CExpTraining* GetTraining();
    CExpSD* GetSD();
    CExpCategory* GetPair();
    CExpCategory* GetCategory();
    CExpME* GetME();
    const CExpTraining* GetTraining() const;
    const CExpSD* GetSD() const;
    const CExpCategory* GetPair() const;
    const CExpCategory* GetCategory() const;
    const CExpME* GetME() const;
    CExpBase* GetParameters() { return parameters.get(); }
    const CExpBase* GetParameters() const { return parameters.get(); }

    // readMethod takes the method from the file's METHOD key first; without it the current
    // method's parameters are read (nothing at all while the method is -1).
    void Load(const QString& path, bool readMethod);
    // Writes nothing while the method is -1.
    void Save(const QString& path, bool replace) const;
    void Load(const tamvik::IniFile& ini, bool readMethod);
    void Save(tamvik::IniFile& ini) const;

    bool operator==(const CExperimentParameter& other) const;

private:
    int method = -1;
    std::unique_ptr<CExpBase> parameters; // null exactly while method is -1
};
