// Unit fSetVar: the environment and INI parameter page.
//
// The executor lends the page its two lists (FillEnvironmentMemo,
// FillIniEdits), shows it modally and reads the lists back: Next writes the
// user's edits into them.  The page owns neither list.
#pragma once

#include "PageFrame.h"

#include <cstdint>
#include <string>

class TfrmSetVar : public TWizardPage {
public:
    explicit TfrmSetVar(TComponent* AOwner);

    TLabel* lblHint = nullptr;
    TLabel* lblEnv = nullptr;
    TMemo* memEnv = nullptr;
    TLabel* lblIni = nullptr;
    TScrollBox* sbIni = nullptr;
    TButton* cmdNext = nullptr;

    // "NAME=VALUE" lines; emptied and refilled from the memo by Next.
    TStrings* m_pclEnvList = nullptr;
    // "key=value" lines with their INI place attached; Next replaces the
    // texts and keeps the objects.
    TStrings* m_pclIniLines = nullptr;

    void FormShow(TObject* Sender);
    void cmdNextClick(TObject* Sender);
    // Up moves to the previous field, Down and Return to the next one.
    void EditKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);

private:
    void CreateDesign();
    void WriteBackEnvironment();
    void WriteBackIniLines();
};

extern TfrmSetVar* frmSetVar;

// Keeps the list and shows each variable with its present value in the
// process environment, else the setup's default.
void FillEnvironmentMemo(TfrmSetVar* page, TStrings* list);
// Keeps the list and creates one edit field per line, placeholders expanded.
void FillIniEdits(TfrmSetVar* page, TStrings* list);

// The text with every "%NAME%" token replaced by its value; an unclosed "%"
// and what follows stay as they are.
std::string ExpandPlaceholders(const std::string& text);
// The value of one token, percent signs included, without case; "" for a
// token it does not know.
std::string PlaceholderValue(const std::string& token);
// The first address of the local host name as "a.b.c.d"; "" when none.
std::string GetLocalIpAddress();
