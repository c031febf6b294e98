// The Options window's commands and the settings reload.
#pragma once

class Ovan;

class Options {
public:
    explicit Options(Ovan& ovan) : m_ovan(ovan) {}

    // Command 48: choose the received-files folder.
    void Parcourir();
    // Command 52: save the settings and close.
    void Valider();
    // Command 53 (also the close box): reload the settings and close.
    void Annuler();
    // Command 54: save the settings.
    void Appliquer();
    // Settings from config.ini, or the defaults.
    void RechargerConfig();

private:
    void Fermer();

    Ovan& m_ovan;
};
