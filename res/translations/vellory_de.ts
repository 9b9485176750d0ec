<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Vellory Version %1</source>
        <translation>Vellory Version %1</translation>
    </message>
    <message>
        <source>Written by the Vellory developers.
%1</source>
        <translation>Geschrieben von den Vellory-Entwicklern.
%1</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Über...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CBitmapButton</name>
    <message>
        <source>Rec</source>
        <extracomment>Lettered on the panel&apos;s record button in a pixel font: at most about 8 letters (50 pixels).</extracomment>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>Stop</source>
        <extracomment>Lettered on the panel&apos;s stop button in a pixel font: at most about 8 letters (50 pixels).</extracomment>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Play</source>
        <extracomment>Lettered on the panel&apos;s play button in a pixel font: at most about 8 letters (50 pixels).</extracomment>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>File Manager</source>
        <extracomment>Lettered on the panel&apos;s button that opens the recordings manager: at most about 14 letters (89 pixels).</extracomment>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Power</source>
        <extracomment>Lettered on the panel&apos;s button that ends the program: at most about 8 letters (50 pixels).</extracomment>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Options</source>
        <extracomment>Lettered on the panel&apos;s button that chooses the recording format: at most about 8 letters (50 pixels).</extracomment>
        <translation>Optionen</translation>
    </message>
</context>
<context>
    <name>CDisplayPanel</name>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Pausiert</translation>
    </message>
    <message>
        <source>Playing</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>%1, %2, category %3</source>
        <translation>%1, %2, Kategorie %3</translation>
    </message>
    <message>
        <source>%1, %2, category %3, file %4</source>
        <translation>%1, %2, Kategorie %3, Datei %4</translation>
    </message>
    <message>
        <source>No input</source>
        <translation>Kein Signal</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
    <message>
        <source>%1. No sound from the input</source>
        <translation>%1. Kein Ton vom Eingang</translation>
    </message>
</context>
<context>
    <name>CFileListModel</name>
    <message>
        <source>File name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Media size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>File date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>File time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>Frequenz</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>Sample Rate</source>
        <translation>Abtastrate</translation>
    </message>
    <message>
        <source>Bits</source>
        <translation>Bits</translation>
    </message>
    <message>
        <source>The data rate: kilobytes per second of the file&apos;s audio</source>
        <translation>Die Datenrate: Kilobyte pro Sekunde des Audios der Datei</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>How long the recording plays: minutes and seconds, or hours, minutes and seconds</source>
        <translation>Wie lange die Aufnahme dauert: Minuten und Sekunden oder Stunden, Minuten und Sekunden</translation>
    </message>
</context>
<context>
    <name>CFileManagerDlg</name>
    <message>
        <source>The recording is in progress.</source>
        <translation>Die Aufnahme läuft noch.</translation>
    </message>
    <message>
        <source>Error number %1.</source>
        <translation>Fehlernummer %1.</translation>
    </message>
    <message>
        <source>Unable to delete file..
%1</source>
        <translation>Die Datei kann nicht gelöscht werden.
%1</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>My Voice Files (Vellory)</source>
        <translation>Meine Sprachaufnahmen (Vellory)</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Kategorien</translation>
    </message>
    <message>
        <source>The category whose recordings are listed</source>
        <translation>Die Kategorie, deren Aufnahmen aufgelistet sind</translation>
    </message>
    <message>
        <source>Recordings</source>
        <translation>Aufnahmen</translation>
    </message>
    <message>
        <source>Enter opens the selected recording, Delete moves it to the trash, F2 renames it</source>
        <translation>Eingabe öffnet die ausgewählte Aufnahme, Entf verschiebt sie in den Papierkorb, F2 benennt sie um</translation>
    </message>
    <message>
        <source>Opens the selected recording on the panel</source>
        <translation>Öffnet die ausgewählte Aufnahme im Bedienfeld</translation>
    </message>
    <message>
        <source>Closes the recordings manager</source>
        <translation>Schließt die Aufnahmenverwaltung</translation>
    </message>
    <message>
        <source>Moves the selected recording to the trash</source>
        <translation>Verschiebt die ausgewählte Aufnahme in den Papierkorb</translation>
    </message>
    <message>
        <source>Do you really want to delete %1?</source>
        <translation>Möchten Sie %1 wirklich löschen?</translation>
    </message>
    <message>
        <source>No trash can take %1: it will be deleted for good.
Do you want to delete it?</source>
        <translation>Kein Papierkorb kann %1 aufnehmen: Die Datei wird endgültig gelöscht.
Möchten Sie sie löschen?</translation>
    </message>
    <message>
        <source>The name is empty.</source>
        <translation>Der Name ist leer.</translation>
    </message>
    <message>
        <source>A name cannot hold &apos;/&apos;.</source>
        <translation>Ein Name darf kein „/“ enthalten.</translation>
    </message>
    <message>
        <source>%1 already exists.</source>
        <translation>%1 existiert bereits.</translation>
    </message>
    <message>
        <source>Unable to rename file..
%1</source>
        <translation>Die Datei kann nicht umbenannt werden.
%1</translation>
    </message>
    <message>
        <source>This file could not be read:</source>
        <translation>Diese Datei konnte nicht gelesen werden:</translation>
    </message>
    <message>
        <source>These files could not be read:</source>
        <translation>Diese Dateien konnten nicht gelesen werden:</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>and %1 more.</source>
        <translation>und %1 weitere.</translation>
    </message>
</context>
<context>
    <name>CFormatChooseDlg</name>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>The kind of audio coding</source>
        <translation>Die Art der Audiokodierung</translation>
    </message>
    <message>
        <source>Attributes</source>
        <translation>Attribute</translation>
    </message>
    <message>
        <source>Sampling rate, bits, channels and data rate</source>
        <translation>Abtastrate, Bits, Kanäle und Datenrate</translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation>&amp;Format:</translation>
    </message>
    <message>
        <source>&amp;Attributes:</source>
        <translation>&amp;Attribute:</translation>
    </message>
    <message>
        <source>The specified handle is invalid.</source>
        <translation>Das angegebene Handle ist ungültig.</translation>
    </message>
    <message>
        <source>A suitable driver is not available to provide valid format selections.</source>
        <translation>Es ist kein geeigneter Treiber verfügbar, der gültige Formate anbietet.</translation>
    </message>
    <message>
        <source>At least one flag is invalid</source>
        <translation>Mindestens ein Flag ist ungültig</translation>
    </message>
    <message>
        <source>At least one parameter is invalid.</source>
        <translation>Mindestens ein Parameter ist ungültig.</translation>
    </message>
    <message>
        <source>The buffer identified by the pwfx member of the ACMFORMATCHOOSE structure is too small to contain the selected format.</source>
        <translation>Der Puffer, auf den das Element pwfx der Struktur ACMFORMATCHOOSE verweist, ist zu klein für das gewählte Format.</translation>
    </message>
    <message>
        <source>MM ERROR %1</source>
        <translation>MM-FEHLER %1</translation>
    </message>
    <message>
        <source>Select audio format</source>
        <translation>Audioformat wählen</translation>
    </message>
    <message>
        <source>Does not play in web browsers.</source>
        <translation>Wird in Webbrowsern nicht abgespielt.</translation>
    </message>
</context>
<context>
    <name>CGlobalShortcuts</name>
    <message>
        <source>Record/Stop</source>
        <translation>Aufnehmen/Stopp</translation>
    </message>
</context>
<context>
    <name>CRecorderDlg</name>
    <message>
        <source>&amp;About Vellory...</source>
        <translation>&amp;Über Vellory...</translation>
    </message>
    <message>
        <source>Record (Alt+R)</source>
        <translation>Aufnehmen (Alt+R)</translation>
    </message>
    <message>
        <source>Starts a new recording in the category the display shows.</source>
        <translation>Startet eine neue Aufnahme in der Kategorie, die die Anzeige zeigt.</translation>
    </message>
    <message>
        <source>Stop (Alt+S)</source>
        <translation>Stopp (Alt+S)</translation>
    </message>
    <message>
        <source>Stops the recording or the playback. Ctrl+Space pauses and resumes a recording.</source>
        <translation>Beendet die Aufnahme oder die Wiedergabe. Strg+Leertaste pausiert eine Aufnahme und setzt sie fort.</translation>
    </message>
    <message>
        <source>Play (Alt+P)</source>
        <translation>Wiedergabe (Alt+P)</translation>
    </message>
    <message>
        <source>Plays the file the display shows. While playing, Left and Right step 5 seconds and Home goes back to the start.</source>
        <translation>Spielt die angezeigte Datei ab. Während der Wiedergabe springen Links und Rechts um 5 Sekunden, Pos1 springt zum Anfang.</translation>
    </message>
    <message>
        <source>Recordings manager (Alt+M)</source>
        <translation>Aufnahmenverwaltung (Alt+M)</translation>
    </message>
    <message>
        <source>Lists, deletes and opens the recordings of a category.</source>
        <translation>Listet, löscht und öffnet die Aufnahmen einer Kategorie.</translation>
    </message>
    <message>
        <source>Recording format (Alt+O)</source>
        <translation>Aufnahmeformat (Alt+O)</translation>
    </message>
    <message>
        <source>Chooses the audio format of the next recordings.</source>
        <translation>Wählt das Audioformat der nächsten Aufnahmen.</translation>
    </message>
    <message>
        <source>Power off (Esc)</source>
        <translation>Ausschalten (Esc)</translation>
    </message>
    <message>
        <source>Ends the program; a recording in progress is finished first.</source>
        <translation>Beendet das Programm; eine laufende Aufnahme wird zuvor abgeschlossen.</translation>
    </message>
    <message>
        <source>Minimise</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Minimises the panel.</source>
        <translation>Minimiert das Bedienfeld.</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Aufnehmen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Dateiverwaltung</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Power</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>Key: %1</source>
        <translation>Taste: %1</translation>
    </message>
    <message>
        <source>Panel menu</source>
        <translation>Menü des Bedienfelds</translation>
    </message>
    <message>
        <source>&amp;Resume Recording</source>
        <translation>Aufnahme &amp;fortsetzen</translation>
    </message>
    <message>
        <source>&amp;Pause Recording</source>
        <translation>Aufnahme &amp;pausieren</translation>
    </message>
    <message>
        <source>&amp;Hide Window</source>
        <translation>Fenster &amp;verbergen</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;About Program</source>
        <translation>&amp;Über das Programm</translation>
    </message>
    <message>
        <source>Select audio format</source>
        <translation>Audioformat wählen</translation>
    </message>
</context>
<context>
    <name>CRecorderSession</name>
    <message>
        <source>Unknown timer reached!</source>
        <translation>Unbekannter Zeitgeber abgelaufen!</translation>
    </message>
    <message>
        <source>The chosen input device is not available. Recording from the default input.</source>
        <translation>Das gewählte Eingabegerät ist nicht verfügbar. Es wird vom Standardeingang aufgenommen.</translation>
    </message>
    <message>
        <source>The recording could not be finished because the file could not be written:
%1</source>
        <translation>Die Aufnahme konnte nicht abgeschlossen werden, weil die Datei nicht geschrieben werden konnte:
%1</translation>
    </message>
    <message>
        <source>The recording was stopped because the file could not be written:
%1</source>
        <translation>Die Aufnahme wurde beendet, weil die Datei nicht geschrieben werden konnte:
%1</translation>
    </message>
    <message>
        <source>The recording was stopped because there was not enough memory.</source>
        <translation>Die Aufnahme wurde beendet, weil nicht genügend Arbeitsspeicher vorhanden war.</translation>
    </message>
    <message>
        <source>The recording was stopped because the file reached the largest size a WAV file can hold.</source>
        <translation>Die Aufnahme wurde beendet, weil die Datei die größtmögliche Größe einer WAV-Datei erreicht hat.</translation>
    </message>
    <message>
        <source>Sorry, your system too slow to recording in selected format.</source>
        <translation>Ihr System ist leider zu langsam, um im gewählten Format aufzunehmen.</translation>
    </message>
    <message>
        <source>The recording was stopped because the sound input went away.
What was recorded until then is saved.</source>
        <translation>Die Aufnahme wurde beendet, weil der Audioeingang nicht mehr verfügbar ist.
Das bis dahin Aufgenommene ist gespeichert.</translation>
    </message>
    <message>
        <source>The path of this file is too long to be played:
%1</source>
        <translation>Der Pfad dieser Datei ist zu lang für die Wiedergabe:
%1</translation>
    </message>
    <message>
        <source>There is room on the disk for only about %1 min of recording in this format.

Record anyway?</source>
        <translation>Auf dem Datenträger ist nur noch Platz für etwa %1 min Aufnahme in diesem Format.

Trotzdem aufnehmen?</translation>
    </message>
    <message>
        <source>There is room on the disk for less than a minute of recording in this format.

Record anyway?</source>
        <translation>Auf dem Datenträger ist nur noch Platz für weniger als eine Minute Aufnahme in diesem Format.

Trotzdem aufnehmen?</translation>
    </message>
</context>
<context>
    <name>CRemoteControl</name>
    <message>
        <source>The panel is closing.</source>
        <translation>Das Bedienfeld wird geschlossen.</translation>
    </message>
    <message>
        <source>A recording is already running.</source>
        <translation>Es läuft bereits eine Aufnahme.</translation>
    </message>
    <message>
        <source>Recording is not possible now; stop the playback first.</source>
        <translation>Aufnehmen ist jetzt nicht möglich; beenden Sie zuerst die Wiedergabe.</translation>
    </message>
    <message>
        <source>The recording could not be started.</source>
        <translation>Die Aufnahme konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Nothing is being recorded or played.</source>
        <translation>Es wird weder aufgenommen noch wiedergegeben.</translation>
    </message>
    <message>
        <source>Nothing is being recorded.</source>
        <translation>Es wird nichts aufgenommen.</translation>
    </message>
    <message>
        <source>The recording is already paused.</source>
        <translation>Die Aufnahme ist bereits pausiert.</translation>
    </message>
    <message>
        <source>The recording could not be paused.</source>
        <translation>Die Aufnahme konnte nicht pausiert werden.</translation>
    </message>
    <message>
        <source>The recording is not paused.</source>
        <translation>Die Aufnahme ist nicht pausiert.</translation>
    </message>
    <message>
        <source>The recording could not be resumed.</source>
        <translation>Die Aufnahme konnte nicht fortgesetzt werden.</translation>
    </message>
    <message>
        <source>A recording is running; stop it first.</source>
        <translation>Eine Aufnahme läuft; beenden Sie sie zuerst.</translation>
    </message>
    <message>
        <source>The file is already playing.</source>
        <translation>Die Datei wird bereits wiedergegeben.</translation>
    </message>
    <message>
        <source>There is no file to play.</source>
        <translation>Es gibt keine Datei zum Abspielen.</translation>
    </message>
    <message>
        <source>The file could not be played.</source>
        <translation>Die Datei konnte nicht abgespielt werden.</translation>
    </message>
</context>
<context>
    <name>CSettingsDlg</name>
    <message>
        <source>&amp;Browse…</source>
        <translation>&amp;Wählen…</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>File manager path</source>
        <translation>Pfad der Dateiverwaltung</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>Choose the folder of the recordings</source>
        <translation>Den Ordner der Aufnahmen wählen</translation>
    </message>
    <message>
        <source>Record buffer size</source>
        <translation>Aufnahmepuffer</translation>
    </message>
    <message>
        <source>&amp;Input device</source>
        <translation>&amp;Eingabegerät</translation>
    </message>
    <message>
        <source>Input device</source>
        <translation>Eingabegerät</translation>
    </message>
    <message>
        <source>The input that recordings are taken from</source>
        <translation>Der Eingang, von dem aufgenommen wird</translation>
    </message>
    <message>
        <source>Monitor of %1</source>
        <translation>Monitor von %1</translation>
    </message>
    <message>
        <source>Default input</source>
        <translation>Standardeingang</translation>
    </message>
    <message>
        <source>Recordings folder</source>
        <translation>Ordner der Aufnahmen</translation>
    </message>
    <message>
        <source>The recordings folder must be a full path, starting with / or ~.</source>
        <translation>Der Ordner der Aufnahmen muss ein vollständiger Pfad sein, der mit / oder ~ beginnt.</translation>
    </message>
    <message>
        <source>The recordings folder %1 cannot be created:
%2</source>
        <translation>Der Ordner der Aufnahmen %1 kann nicht angelegt werden:
%2</translation>
    </message>
    <message>
        <source>%1 (not available)</source>
        <translation>%1 (nicht verfügbar)</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Bitte geben Sie eine ganze Zahl ein.</translation>
    </message>
    <message>
        <source>Stop &amp;after</source>
        <translation>Beenden &amp;nach</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Stop after</source>
        <translation>Beenden nach</translation>
    </message>
    <message>
        <source>Minutes after which a recording ends by itself; Off records until Stop</source>
        <translation>Minuten, nach denen eine Aufnahme von selbst endet; bei „Aus“ läuft sie bis Stopp</translation>
    </message>
</context>
<context>
    <name>CSingleInstance</name>
    <message>
        <source>This panel takes commands from its own user only.</source>
        <translation>Dieses Bedienfeld nimmt nur Befehle seines eigenen Benutzers an.</translation>
    </message>
    <message>
        <source>Unknown request; the running panel may be of another version.</source>
        <translation>Unbekannte Anfrage; das laufende Bedienfeld hat vielleicht eine andere Version.</translation>
    </message>
    <message>
        <source>The panel is not ready for commands yet.</source>
        <translation>Das Bedienfeld ist noch nicht für Befehle bereit.</translation>
    </message>
</context>
<context>
    <name>CSleepInhibitor</name>
    <message>
        <source>Recording audio</source>
        <translation>Audioaufnahme läuft</translation>
    </message>
</context>
<context>
    <name>Category</name>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Zuhause</translation>
    </message>
    <message>
        <source>Work</source>
        <translation>Arbeit</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>Persönlich</translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <source>The specified handle is invalid.</source>
        <translation>Das angegebene Handle ist ungültig.</translation>
    </message>
    <message>
        <source>The system is unable to allocate resources.</source>
        <translation>Das System kann keine Ressourcen zuweisen.</translation>
    </message>
    <message>
        <source>At least one flag is invalid.</source>
        <translation>Mindestens ein Flag ist ungültig.</translation>
    </message>
    <message>
        <source>At least one parameter is invalid.</source>
        <translation>Mindestens ein Parameter ist ungültig.</translation>
    </message>
    <message>
        <source>The requested operation cannot be performed.</source>
        <translation>Der angeforderte Vorgang kann nicht ausgeführt werden.</translation>
    </message>
    <message>
        <source>The audio codec library could not be loaded.</source>
        <translation>Die Audiocodec-Bibliothek konnte nicht geladen werden.</translation>
    </message>
    <message>
        <source>CWavFile::Create
Error while writing .wav file</source>
        <translation>CWavFile::Create
Fehler beim Schreiben der .wav-Datei</translation>
    </message>
    <message>
        <source>The directory specification is incorrect.</source>
        <translation>Die Verzeichnisangabe ist falsch.</translation>
    </message>
    <message>
        <source>The file is protected and cannot be opened.</source>
        <translation>Die Datei ist geschützt und kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>The file is being used by another application and is unavailable.</source>
        <translation>Die Datei wird von einer anderen Anwendung verwendet und ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>The network is not responding to the request to open a remote file.</source>
        <translation>Das Netzwerk antwortet nicht auf die Anforderung, eine entfernte Datei zu öffnen.</translation>
    </message>
    <message>
        <source>The number of files simultaneously open is at a maximum level. The system has run out of available file handles.</source>
        <translation>Die Höchstzahl gleichzeitig geöffneter Dateien ist erreicht. Das System hat keine freien Datei-Handles mehr.</translation>
    </message>
    <message>
        <source>Another failure condition occurred. This is the default error for an open-file failure.</source>
        <translation>Ein anderer Fehler ist aufgetreten. Dies ist der Standardfehler, wenn eine Datei nicht geöffnet werden kann.</translation>
    </message>
    <message>
        <source>Specified device identifier is out of range.</source>
        <translation>Die angegebene Gerätekennung liegt außerhalb des gültigen Bereichs.</translation>
    </message>
    <message>
        <source>Specified resource is already allocated.</source>
        <translation>Die angegebene Ressource ist bereits belegt.</translation>
    </message>
    <message>
        <source>Specified device handle is invalid.</source>
        <translation>Das angegebene Geräte-Handle ist ungültig.</translation>
    </message>
    <message>
        <source>No device driver is present.</source>
        <translation>Es ist kein Gerätetreiber vorhanden.</translation>
    </message>
    <message>
        <source>Unable to allocate or lock memory.</source>
        <translation>Speicher kann nicht zugewiesen oder gesperrt werden.</translation>
    </message>
    <message>
        <source>invalid parameter passed</source>
        <translation>ungültiger Parameter übergeben</translation>
    </message>
    <message>
        <source>Attempted to open with an unsupported waveform-audio format.</source>
        <translation>Es wurde versucht, mit einem nicht unterstützten Audioformat zu öffnen.</translation>
    </message>
    <message>
        <source>There are still buffers in the queue.</source>
        <translation>Es befinden sich noch Puffer in der Warteschlange.</translation>
    </message>
    <message>
        <source>The audio library could not be loaded.</source>
        <translation>Die Audiobibliothek konnte nicht geladen werden.</translation>
    </message>
    <message>
        <source>The end of the file (or the end of the parent chunk, if given) was reached before the desired chunk was found.</source>
        <translation>Das Ende der Datei (oder des übergeordneten Blocks, falls angegeben) wurde erreicht, bevor der gesuchte Block gefunden wurde.</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Nicht genügend Arbeitsspeicher.</translation>
    </message>
    <message>
        <source>The specified command was carried out.</source>
        <translation>Der angegebene Befehl wurde ausgeführt.</translation>
    </message>
    <message>
        <source>Invalid device ID. Use the ID given to the device when the device was opened.</source>
        <translation>Ungültige Gerätekennung. Verwenden Sie die Kennung, die das Gerät beim Öffnen erhalten hat.</translation>
    </message>
    <message>
        <source>The device does not recognize the requested status item.</source>
        <translation>Das Gerät kennt die angeforderte Statusangabe nicht.</translation>
    </message>
    <message>
        <source>There is not enough memory available for this task. Quit one or more applications to increase available memory, and then try again.</source>
        <translation>Für diesen Vorgang ist nicht genügend Arbeitsspeicher verfügbar. Beenden Sie eine oder mehrere Anwendungen, um Speicher freizugeben, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The specified command requires a parameter. Please supply one.</source>
        <translation>Der angegebene Befehl benötigt einen Parameter. Bitte geben Sie einen an.</translation>
    </message>
    <message>
        <source>The specified file was not found. Make sure the path and filename are correct.</source>
        <translation>Die angegebene Datei wurde nicht gefunden. Prüfen Sie, ob Pfad und Dateiname stimmen.</translation>
    </message>
    <message>
        <source>An internal error occurred in the playback device.</source>
        <translation>Im Wiedergabegerät ist ein interner Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>The specified position is beyond the end of the file.</source>
        <translation>Die angegebene Position liegt hinter dem Ende der Datei.</translation>
    </message>
    <message>
        <source>The file cannot be played on the specified device. The file may be damaged, or not in a format the device can play.</source>
        <translation>Die Datei kann auf dem angegebenen Gerät nicht abgespielt werden. Sie ist möglicherweise beschädigt oder in einem Format, das das Gerät nicht abspielen kann.</translation>
    </message>
    <message>
        <source>No sound output is available to play the file. Make sure the sound server is running, and then try again.</source>
        <translation>Es ist keine Audioausgabe zum Abspielen der Datei verfügbar. Prüfen Sie, ob der Soundserver läuft, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The specified file cannot be read. Make sure you are allowed to read it.</source>
        <translation>Die angegebene Datei kann nicht gelesen werden. Prüfen Sie, ob Sie sie lesen dürfen.</translation>
    </message>
    <message>
        <source>A library the playback device needs cannot be loaded.</source>
        <translation>Eine Bibliothek, die das Wiedergabegerät benötigt, kann nicht geladen werden.</translation>
    </message>
    <message>
        <source>Unable to create file

%1
%2</source>
        <translation>Die Datei kann nicht angelegt werden

%1
%2</translation>
    </message>
    <message>
        <source>Unknown mm file error %1</source>
        <translation>Unbekannter MM-Dateifehler %1</translation>
    </message>
    <message>
        <source>An error open WAVE_MAPPER device, code=%1</source>
        <translation>Fehler beim Öffnen des Geräts WAVE_MAPPER, Code=%1</translation>
    </message>
    <message>
        <source>Unknown playback error %1.</source>
        <translation>Unbekannter Wiedergabefehler %1.</translation>
    </message>
    <message>
        <source>The audio codec library %1 could not be loaded: %2.
Install the package %3 and try again.</source>
        <translation>Die Audiocodec-Bibliothek %1 konnte nicht geladen werden: %2.
Installieren Sie das Paket %3 und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The sound server library %1 could not be loaded: %2.
Install the package %3 and try again.</source>
        <translation>Die Soundserver-Bibliothek %1 konnte nicht geladen werden: %2.
Installieren Sie das Paket %3 und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>,</source>
        <comment>thousands separator, as in 22,050 Hz</comment>
        <translation>.</translation>
    </message>
    <message>
        <source>PCM</source>
        <translation>PCM</translation>
    </message>
    <message>
        <source>CCITT A-Law</source>
        <translation>CCITT A-Law</translation>
    </message>
    <message>
        <source>CCITT u-Law</source>
        <translation>CCITT µ-Law</translation>
    </message>
    <message>
        <source>IMA ADPCM</source>
        <translation>IMA ADPCM</translation>
    </message>
    <message>
        <source>Microsoft ADPCM</source>
        <translation>Microsoft ADPCM</translation>
    </message>
    <message>
        <source>GSM 6.10</source>
        <translation>GSM 6.10</translation>
    </message>
    <message>
        <source>MPEG Layer-3</source>
        <translation>MPEG Layer-3</translation>
    </message>
    <message>
        <source>Format %1</source>
        <translation>Format %1</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>%1 Bit</source>
        <translation>%1 Bit</translation>
    </message>
    <message>
        <source>%1 kBit/s</source>
        <translation>%1 kBit/s</translation>
    </message>
    <message>
        <source>%1 Channels</source>
        <translation>%1 Kanäle</translation>
    </message>
    <message>
        <source>%1 KB/s</source>
        <translation>%1 KB/s</translation>
    </message>
    <message>
        <source>The file is too short to hold a sound header.</source>
        <translation>Die Datei ist zu kurz für einen Audio-Dateikopf.</translation>
    </message>
    <message>
        <source>The file is not a RIFF/WAVE file.</source>
        <translation>Die Datei ist keine RIFF/WAVE-Datei.</translation>
    </message>
    <message>
        <source>The file has no format chunk before its audio.</source>
        <translation>Die Datei hat vor ihren Audiodaten keinen Format-Block.</translation>
    </message>
    <message>
        <source>The file&apos;s format chunk holds figures no sound file has.</source>
        <translation>Der Format-Block der Datei enthält Werte, die keine Audiodatei haben kann.</translation>
    </message>
    <message>
        <source>The file is not an Ogg Opus file.</source>
        <translation>Die Datei ist keine Ogg-Opus-Datei.</translation>
    </message>
    <message>
        <source>The file is not a FLAC file.</source>
        <translation>Die Datei ist keine FLAC-Datei.</translation>
    </message>
    <message>
        <source>The file is neither a WAV, an Opus nor a FLAC file.</source>
        <translation>Die Datei ist weder eine WAV-, eine Opus- noch eine FLAC-Datei.</translation>
    </message>
</context>
</TS>
