// The system's message texts, as a German Windows words them.
#include "Host.h"

namespace win {
namespace {

struct Message {
    uint32_t code;
    const char* text;
};

constexpr Message kMessages[] = {
    {ERR_SUCCESS, "Der Vorgang wurde erfolgreich beendet."},
    {ERR_FILE_NOT_FOUND, "Das System kann die angegebene Datei nicht finden."},
    {ERR_PATH_NOT_FOUND, "Das System kann den angegebenen Pfad nicht finden."},
    {ERR_ACCESS_DENIED, "Zugriff verweigert"},
    {ERR_INVALID_DATA, "Die Daten sind unzulässig."},
    {ERR_INVALID_DRIVE, "Das angegebene Laufwerk wurde nicht gefunden."},
    {ERR_WRITE_PROTECT, "Der Datenträger ist schreibgeschützt."},
    {ERR_NOT_READY, "Das Gerät ist nicht bereit."},
    {ERR_READ_FAULT, "Das System kann nicht vom angegebenen Gerät lesen."},
    {ERR_SHARING_VIOLATION,
     "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess verwendet wird."},
    {ERR_FILE_EXISTS, "Die Datei ist vorhanden."},
    {ERR_INVALID_PARAMETER, "Falscher Parameter."},
    {ERR_BUFFER_OVERFLOW, "Der Dateiname ist zu lang."},
    {ERR_DISK_FULL, "Auf dem Datenträger ist nicht genug Speicherplatz vorhanden."},
    {ERR_CALL_NOT_IMPLEMENTED, "Diese Funktion wird auf diesem System nicht unterstützt."},
    {ERR_INSUFFICIENT_BUFFER, "Der an einen Systemaufruf übergebene Datenbereich ist zu klein."},
    {ERR_INVALID_NAME, "Die Syntax für den Dateinamen, Verzeichnisnamen oder die Datenträgerbezeichnung ist falsch."},
    {ERR_MOD_NOT_FOUND, "Das angegebene Modul wurde nicht gefunden."},
    {ERR_DIR_NOT_EMPTY, "Das Verzeichnis ist nicht leer."},
    {ERR_ALREADY_EXISTS, "Eine Datei kann nicht erstellt werden, wenn sie bereits vorhanden ist."},
    {ERR_BAD_EXE_FORMAT, "Die Anwendung ist keine zulässige Win32-Anwendung."},
    {ERR_FILENAME_EXCED_RANGE, "Der Dateiname oder die Erweiterung ist zu lang."},
    {ERR_DIRECTORY, "Der Verzeichnisname ist ungültig."},
    {ERR_NO_TOKEN, "Es wurde versucht, auf ein nicht vorhandenes Token zu verweisen."},
    {ERR_PRIVILEGE_NOT_HELD, "Dem Client fehlt ein erforderliches Recht."},
    {ERR_INVALID_HANDLE, "Das Handle ist ungültig."},
    {ERR_INVALID_SERVICE_CONTROL, "Die angeforderte Steuerung ist für diesen Dienst nicht gültig."},
    {ERR_SERVICE_DOES_NOT_EXIST, "Der angegebene Dienst ist kein installierter Dienst."},
    {ERR_SERVICE_CANNOT_ACCEPT_CTRL, "Die Steuerungsanforderung kann zurzeit nicht an den Dienst gesendet werden."},
    {ERR_SERVICE_NOT_ACTIVE, "Der Dienst wurde nicht gestartet."},
    {ERR_SERVICE_MARKED_FOR_DELETE, "Der angegebene Dienst wurde zum Löschen markiert."},
};

}  // namespace

std::string systemMessage(uint32_t code) {
    for (const Message& m : kMessages)
        if (m.code == code) return std::string(m.text) + "\r\n";
    return "";
}

}  // namespace win
