<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Vellory Version %1</source>
        <translation>Vellory version %1</translation>
    </message>
    <message>
        <source>Written by the Vellory developers.
%1</source>
        <translation>Écrit par les développeurs de Vellory.
%1</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>À propos...</translation>
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
        <translation>Enreg.</translation>
    </message>
    <message>
        <source>Stop</source>
        <extracomment>Lettered on the panel&apos;s stop button in a pixel font: at most about 8 letters (50 pixels).</extracomment>
        <translation>Arrêt</translation>
    </message>
    <message>
        <source>Play</source>
        <extracomment>Lettered on the panel&apos;s play button in a pixel font: at most about 8 letters (50 pixels).</extracomment>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>File Manager</source>
        <extracomment>Lettered on the panel&apos;s button that opens the recordings manager: at most about 14 letters (89 pixels).</extracomment>
        <translation>Fichiers</translation>
    </message>
    <message>
        <source>Power</source>
        <extracomment>Lettered on the panel&apos;s button that ends the program: at most about 8 letters (50 pixels).</extracomment>
        <translation>Éteindre</translation>
    </message>
    <message>
        <source>Options</source>
        <extracomment>Lettered on the panel&apos;s button that chooses the recording format: at most about 8 letters (50 pixels).</extracomment>
        <translation>Options</translation>
    </message>
</context>
<context>
    <name>CDisplayPanel</name>
    <message>
        <source>Recording</source>
        <translation>Enregistrement</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>En pause</translation>
    </message>
    <message>
        <source>Playing</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Arrêté</translation>
    </message>
    <message>
        <source>%1, %2, category %3</source>
        <translation>%1, %2, catégorie %3</translation>
    </message>
    <message>
        <source>%1, %2, category %3, file %4</source>
        <translation>%1, %2, catégorie %3, fichier %4</translation>
    </message>
    <message>
        <source>No input</source>
        <translation>Aucun signal</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>%1 restantes</translation>
    </message>
    <message>
        <source>%1. No sound from the input</source>
        <translation>%1. Aucun son en entrée</translation>
    </message>
</context>
<context>
    <name>CFileListModel</name>
    <message>
        <source>File name</source>
        <translation>Nom du fichier</translation>
    </message>
    <message>
        <source>Media size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <source>File date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>File time</source>
        <translation>Heure</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>Fréquence</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canaux</translation>
    </message>
    <message>
        <source>Sample Rate</source>
        <translation>Échantillonnage</translation>
    </message>
    <message>
        <source>Bits</source>
        <translation>Bits</translation>
    </message>
    <message>
        <source>The data rate: kilobytes per second of the file&apos;s audio</source>
        <translation>Le débit de données&#xa0;: kilo-octets par seconde de l&apos;audio du fichier</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>How long the recording plays: minutes and seconds, or hours, minutes and seconds</source>
        <translation>Durée de l&apos;enregistrement&#xa0;: minutes et secondes, ou heures, minutes et secondes</translation>
    </message>
</context>
<context>
    <name>CFileManagerDlg</name>
    <message>
        <source>The recording is in progress.</source>
        <translation>L&apos;enregistrement est en cours.</translation>
    </message>
    <message>
        <source>Error number %1.</source>
        <translation>Erreur numéro %1.</translation>
    </message>
    <message>
        <source>Unable to delete file..
%1</source>
        <translation>Impossible de supprimer le fichier.
%1</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>My Voice Files (Vellory)</source>
        <translation>Mes enregistrements vocaux (Vellory)</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Catégories</translation>
    </message>
    <message>
        <source>The category whose recordings are listed</source>
        <translation>La catégorie dont les enregistrements sont listés</translation>
    </message>
    <message>
        <source>Recordings</source>
        <translation>Enregistrements</translation>
    </message>
    <message>
        <source>Enter opens the selected recording, Delete moves it to the trash, F2 renames it</source>
        <translation>Entrée ouvre l&apos;enregistrement sélectionné, Suppr le met à la corbeille, F2 le renomme</translation>
    </message>
    <message>
        <source>Opens the selected recording on the panel</source>
        <translation>Ouvre l&apos;enregistrement sélectionné dans le panneau</translation>
    </message>
    <message>
        <source>Closes the recordings manager</source>
        <translation>Ferme le gestionnaire d&apos;enregistrements</translation>
    </message>
    <message>
        <source>Moves the selected recording to the trash</source>
        <translation>Met l&apos;enregistrement sélectionné à la corbeille</translation>
    </message>
    <message>
        <source>Do you really want to delete %1?</source>
        <translation>Voulez-vous vraiment supprimer %1&#xa0;?</translation>
    </message>
    <message>
        <source>No trash can take %1: it will be deleted for good.
Do you want to delete it?</source>
        <translation>Aucune corbeille ne peut recevoir %1&#xa0;: le fichier sera supprimé définitivement.
Voulez-vous le supprimer&#xa0;?</translation>
    </message>
    <message>
        <source>The name is empty.</source>
        <translation>Le nom est vide.</translation>
    </message>
    <message>
        <source>A name cannot hold &apos;/&apos;.</source>
        <translation>Un nom ne peut pas contenir «&#xa0;/&#xa0;».</translation>
    </message>
    <message>
        <source>%1 already exists.</source>
        <translation>%1 existe déjà.</translation>
    </message>
    <message>
        <source>Unable to rename file..
%1</source>
        <translation>Impossible de renommer le fichier.
%1</translation>
    </message>
    <message>
        <source>This file could not be read:</source>
        <translation>Ce fichier n&apos;a pas pu être lu&#xa0;:</translation>
    </message>
    <message>
        <source>These files could not be read:</source>
        <translation>Ces fichiers n&apos;ont pas pu être lus&#xa0;:</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1&#xa0;: %2</translation>
    </message>
    <message>
        <source>and %1 more.</source>
        <translation>et %1 autres.</translation>
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
        <translation>Le type de codage audio</translation>
    </message>
    <message>
        <source>Attributes</source>
        <translation>Attributs</translation>
    </message>
    <message>
        <source>Sampling rate, bits, channels and data rate</source>
        <translation>Fréquence d&apos;échantillonnage, bits, canaux et débit</translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation>&amp;Format&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Attributes:</source>
        <translation>&amp;Attributs&#xa0;:</translation>
    </message>
    <message>
        <source>The specified handle is invalid.</source>
        <translation>Le descripteur indiqué n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>A suitable driver is not available to provide valid format selections.</source>
        <translation>Aucun pilote approprié n&apos;est disponible pour proposer des formats valides.</translation>
    </message>
    <message>
        <source>At least one flag is invalid</source>
        <translation>Au moins un indicateur n&apos;est pas valide</translation>
    </message>
    <message>
        <source>At least one parameter is invalid.</source>
        <translation>Au moins un paramètre n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>The buffer identified by the pwfx member of the ACMFORMATCHOOSE structure is too small to contain the selected format.</source>
        <translation>Le tampon désigné par le membre pwfx de la structure ACMFORMATCHOOSE est trop petit pour contenir le format choisi.</translation>
    </message>
    <message>
        <source>MM ERROR %1</source>
        <translation>ERREUR MM %1</translation>
    </message>
    <message>
        <source>Select audio format</source>
        <translation>Choisir le format audio</translation>
    </message>
    <message>
        <source>Does not play in web browsers.</source>
        <translation>Ne se lit pas dans les navigateurs web.</translation>
    </message>
</context>
<context>
    <name>CGlobalShortcuts</name>
    <message>
        <source>Record/Stop</source>
        <translation>Enregistrer/Arrêter</translation>
    </message>
</context>
<context>
    <name>CRecorderDlg</name>
    <message>
        <source>&amp;About Vellory...</source>
        <translation>&amp;À propos de Vellory...</translation>
    </message>
    <message>
        <source>Record (Alt+R)</source>
        <translation>Enregistrer (Alt+R)</translation>
    </message>
    <message>
        <source>Starts a new recording in the category the display shows.</source>
        <translation>Démarre un nouvel enregistrement dans la catégorie affichée.</translation>
    </message>
    <message>
        <source>Stop (Alt+S)</source>
        <translation>Arrêter (Alt+S)</translation>
    </message>
    <message>
        <source>Stops the recording or the playback. Ctrl+Space pauses and resumes a recording.</source>
        <translation>Arrête l&apos;enregistrement ou la lecture. Ctrl+Espace met un enregistrement en pause et le reprend.</translation>
    </message>
    <message>
        <source>Play (Alt+P)</source>
        <translation>Lire (Alt+P)</translation>
    </message>
    <message>
        <source>Plays the file the display shows. While playing, Left and Right step 5 seconds and Home goes back to the start.</source>
        <translation>Lit le fichier affiché. Pendant la lecture, Gauche et Droite avancent ou reculent de 5 secondes et Début revient au commencement.</translation>
    </message>
    <message>
        <source>Recordings manager (Alt+M)</source>
        <translation>Gestionnaire d&apos;enregistrements (Alt+M)</translation>
    </message>
    <message>
        <source>Lists, deletes and opens the recordings of a category.</source>
        <translation>Liste, supprime et ouvre les enregistrements d&apos;une catégorie.</translation>
    </message>
    <message>
        <source>Recording format (Alt+O)</source>
        <translation>Format d&apos;enregistrement (Alt+O)</translation>
    </message>
    <message>
        <source>Chooses the audio format of the next recordings.</source>
        <translation>Choisit le format audio des prochains enregistrements.</translation>
    </message>
    <message>
        <source>Power off (Esc)</source>
        <translation>Éteindre (Échap)</translation>
    </message>
    <message>
        <source>Ends the program; a recording in progress is finished first.</source>
        <translation>Quitte le programme&#xa0;; un enregistrement en cours est d&apos;abord terminé.</translation>
    </message>
    <message>
        <source>Minimise</source>
        <translation>Réduire</translation>
    </message>
    <message>
        <source>Minimises the panel.</source>
        <translation>Réduit le panneau.</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Lire</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Gestionnaire de fichiers</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Power</source>
        <translation>Éteindre</translation>
    </message>
    <message>
        <source>Key: %1</source>
        <translation>Touche&#xa0;: %1</translation>
    </message>
    <message>
        <source>Panel menu</source>
        <translation>Menu du panneau</translation>
    </message>
    <message>
        <source>&amp;Resume Recording</source>
        <translation>&amp;Reprendre l&apos;enregistrement</translation>
    </message>
    <message>
        <source>&amp;Pause Recording</source>
        <translation>&amp;Suspendre l&apos;enregistrement</translation>
    </message>
    <message>
        <source>&amp;Hide Window</source>
        <translation>&amp;Masquer la fenêtre</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Paramètres</translation>
    </message>
    <message>
        <source>&amp;About Program</source>
        <translation>&amp;À propos du programme</translation>
    </message>
    <message>
        <source>Select audio format</source>
        <translation>Choisir le format audio</translation>
    </message>
</context>
<context>
    <name>CRecorderSession</name>
    <message>
        <source>Unknown timer reached!</source>
        <translation>Minuterie inconnue déclenchée&#xa0;!</translation>
    </message>
    <message>
        <source>The chosen input device is not available. Recording from the default input.</source>
        <translation>Le périphérique d&apos;entrée choisi n&apos;est pas disponible. L&apos;enregistrement utilise l&apos;entrée par défaut.</translation>
    </message>
    <message>
        <source>The recording could not be finished because the file could not be written:
%1</source>
        <translation>L&apos;enregistrement n&apos;a pas pu être terminé car le fichier n&apos;a pas pu être écrit&#xa0;:
%1</translation>
    </message>
    <message>
        <source>The recording was stopped because the file could not be written:
%1</source>
        <translation>L&apos;enregistrement a été arrêté car le fichier n&apos;a pas pu être écrit&#xa0;:
%1</translation>
    </message>
    <message>
        <source>The recording was stopped because there was not enough memory.</source>
        <translation>L&apos;enregistrement a été arrêté par manque de mémoire.</translation>
    </message>
    <message>
        <source>The recording was stopped because the file reached the largest size a WAV file can hold.</source>
        <translation>L&apos;enregistrement a été arrêté car le fichier a atteint la taille maximale d&apos;un fichier WAV.</translation>
    </message>
    <message>
        <source>Sorry, your system too slow to recording in selected format.</source>
        <translation>Désolé, votre système est trop lent pour enregistrer dans le format choisi.</translation>
    </message>
    <message>
        <source>The recording was stopped because the sound input went away.
What was recorded until then is saved.</source>
        <translation>L&apos;enregistrement a été arrêté car l&apos;entrée audio a disparu.
Ce qui a été enregistré jusque-là est sauvegardé.</translation>
    </message>
    <message>
        <source>The path of this file is too long to be played:
%1</source>
        <translation>Le chemin de ce fichier est trop long pour être lu&#xa0;:
%1</translation>
    </message>
    <message>
        <source>There is room on the disk for only about %1 min of recording in this format.

Record anyway?</source>
        <translation>Le disque n&apos;a de place que pour environ %1&#xa0;min d&apos;enregistrement dans ce format.

Enregistrer quand même&#xa0;?</translation>
    </message>
    <message>
        <source>There is room on the disk for less than a minute of recording in this format.

Record anyway?</source>
        <translation>Le disque n&apos;a de place que pour moins d&apos;une minute d&apos;enregistrement dans ce format.

Enregistrer quand même&#xa0;?</translation>
    </message>
</context>
<context>
    <name>CRemoteControl</name>
    <message>
        <source>The panel is closing.</source>
        <translation>Le panneau se ferme.</translation>
    </message>
    <message>
        <source>A recording is already running.</source>
        <translation>Un enregistrement est déjà en cours.</translation>
    </message>
    <message>
        <source>Recording is not possible now; stop the playback first.</source>
        <translation>Impossible d&apos;enregistrer pour l&apos;instant&#xa0;; arrêtez d&apos;abord la lecture.</translation>
    </message>
    <message>
        <source>The recording could not be started.</source>
        <translation>L&apos;enregistrement n&apos;a pas pu démarrer.</translation>
    </message>
    <message>
        <source>Nothing is being recorded or played.</source>
        <translation>Aucun enregistrement ni aucune lecture n&apos;est en cours.</translation>
    </message>
    <message>
        <source>Nothing is being recorded.</source>
        <translation>Aucun enregistrement n&apos;est en cours.</translation>
    </message>
    <message>
        <source>The recording is already paused.</source>
        <translation>L&apos;enregistrement est déjà en pause.</translation>
    </message>
    <message>
        <source>The recording could not be paused.</source>
        <translation>L&apos;enregistrement n&apos;a pas pu être mis en pause.</translation>
    </message>
    <message>
        <source>The recording is not paused.</source>
        <translation>L&apos;enregistrement n&apos;est pas en pause.</translation>
    </message>
    <message>
        <source>The recording could not be resumed.</source>
        <translation>L&apos;enregistrement n&apos;a pas pu reprendre.</translation>
    </message>
    <message>
        <source>A recording is running; stop it first.</source>
        <translation>Un enregistrement est en cours&#xa0;; arrêtez-le d&apos;abord.</translation>
    </message>
    <message>
        <source>The file is already playing.</source>
        <translation>Le fichier est déjà en lecture.</translation>
    </message>
    <message>
        <source>There is no file to play.</source>
        <translation>Il n&apos;y a aucun fichier à lire.</translation>
    </message>
    <message>
        <source>The file could not be played.</source>
        <translation>Le fichier n&apos;a pas pu être lu.</translation>
    </message>
</context>
<context>
    <name>CSettingsDlg</name>
    <message>
        <source>&amp;Browse…</source>
        <translation>&amp;Parcourir…</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>File manager path</source>
        <translation>Dossier du gestionnaire</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Parcourir</translation>
    </message>
    <message>
        <source>Choose the folder of the recordings</source>
        <translation>Choisir le dossier des enregistrements</translation>
    </message>
    <message>
        <source>Record buffer size</source>
        <translation>Tampon d&apos;enregistrement</translation>
    </message>
    <message>
        <source>&amp;Input device</source>
        <translation>Périphérique d&apos;&amp;entrée</translation>
    </message>
    <message>
        <source>Input device</source>
        <translation>Périphérique d&apos;entrée</translation>
    </message>
    <message>
        <source>The input that recordings are taken from</source>
        <translation>L&apos;entrée depuis laquelle on enregistre</translation>
    </message>
    <message>
        <source>Monitor of %1</source>
        <translation>Moniteur de %1</translation>
    </message>
    <message>
        <source>Default input</source>
        <translation>Entrée par défaut</translation>
    </message>
    <message>
        <source>Recordings folder</source>
        <translation>Dossier des enregistrements</translation>
    </message>
    <message>
        <source>The recordings folder must be a full path, starting with / or ~.</source>
        <translation>Le dossier des enregistrements doit être un chemin complet commençant par / ou ~.</translation>
    </message>
    <message>
        <source>The recordings folder %1 cannot be created:
%2</source>
        <translation>Le dossier des enregistrements %1 ne peut pas être créé&#xa0;:
%2</translation>
    </message>
    <message>
        <source>%1 (not available)</source>
        <translation>%1 (non disponible)</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Veuillez saisir un nombre entier.</translation>
    </message>
    <message>
        <source>Stop &amp;after</source>
        <translation>&amp;Arrêter après</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Désactivé</translation>
    </message>
    <message>
        <source> min</source>
        <translation>&#xa0;min</translation>
    </message>
    <message>
        <source>Stop after</source>
        <translation>Arrêter après</translation>
    </message>
    <message>
        <source>Minutes after which a recording ends by itself; Off records until Stop</source>
        <translation>Minutes après lesquelles un enregistrement s&apos;arrête de lui-même&#xa0;; avec «&#xa0;Désactivé&#xa0;», il continue jusqu&apos;à Arrêter</translation>
    </message>
</context>
<context>
    <name>CSingleInstance</name>
    <message>
        <source>This panel takes commands from its own user only.</source>
        <translation>Ce panneau n&apos;accepte que les commandes de son propre utilisateur.</translation>
    </message>
    <message>
        <source>Unknown request; the running panel may be of another version.</source>
        <translation>Requête inconnue&#xa0;; le panneau ouvert est peut-être d&apos;une autre version.</translation>
    </message>
    <message>
        <source>The panel is not ready for commands yet.</source>
        <translation>Le panneau n&apos;est pas encore prêt à recevoir des commandes.</translation>
    </message>
</context>
<context>
    <name>CSleepInhibitor</name>
    <message>
        <source>Recording audio</source>
        <translation>Enregistrement audio en cours</translation>
    </message>
</context>
<context>
    <name>Category</name>
    <message>
        <source>New</source>
        <translation>Nouveau</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Maison</translation>
    </message>
    <message>
        <source>Work</source>
        <translation>Travail</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>Personnel</translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <source>The specified handle is invalid.</source>
        <translation>Le descripteur indiqué n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>The system is unable to allocate resources.</source>
        <translation>Le système ne peut pas allouer de ressources.</translation>
    </message>
    <message>
        <source>At least one flag is invalid.</source>
        <translation>Au moins un indicateur n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>At least one parameter is invalid.</source>
        <translation>Au moins un paramètre n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>The requested operation cannot be performed.</source>
        <translation>L&apos;opération demandée ne peut pas être effectuée.</translation>
    </message>
    <message>
        <source>The audio codec library could not be loaded.</source>
        <translation>La bibliothèque de codecs audio n&apos;a pas pu être chargée.</translation>
    </message>
    <message>
        <source>CWavFile::Create
Error while writing .wav file</source>
        <translation>CWavFile::Create
Erreur lors de l&apos;écriture du fichier .wav</translation>
    </message>
    <message>
        <source>The directory specification is incorrect.</source>
        <translation>Le chemin du dossier est incorrect.</translation>
    </message>
    <message>
        <source>The file is protected and cannot be opened.</source>
        <translation>Le fichier est protégé et ne peut pas être ouvert.</translation>
    </message>
    <message>
        <source>The file is being used by another application and is unavailable.</source>
        <translation>Le fichier est utilisé par une autre application et n&apos;est pas disponible.</translation>
    </message>
    <message>
        <source>The network is not responding to the request to open a remote file.</source>
        <translation>Le réseau ne répond pas à la demande d&apos;ouverture d&apos;un fichier distant.</translation>
    </message>
    <message>
        <source>The number of files simultaneously open is at a maximum level. The system has run out of available file handles.</source>
        <translation>Le nombre maximal de fichiers ouverts simultanément est atteint. Le système n&apos;a plus de descripteurs de fichier disponibles.</translation>
    </message>
    <message>
        <source>Another failure condition occurred. This is the default error for an open-file failure.</source>
        <translation>Une autre erreur s&apos;est produite. C&apos;est l&apos;erreur par défaut lorsqu&apos;un fichier ne peut pas être ouvert.</translation>
    </message>
    <message>
        <source>Specified device identifier is out of range.</source>
        <translation>L&apos;identifiant de périphérique indiqué est hors limites.</translation>
    </message>
    <message>
        <source>Specified resource is already allocated.</source>
        <translation>La ressource indiquée est déjà allouée.</translation>
    </message>
    <message>
        <source>Specified device handle is invalid.</source>
        <translation>Le descripteur de périphérique indiqué n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>No device driver is present.</source>
        <translation>Aucun pilote de périphérique n&apos;est présent.</translation>
    </message>
    <message>
        <source>Unable to allocate or lock memory.</source>
        <translation>Impossible d&apos;allouer ou de verrouiller la mémoire.</translation>
    </message>
    <message>
        <source>invalid parameter passed</source>
        <translation>paramètre non valide transmis</translation>
    </message>
    <message>
        <source>Attempted to open with an unsupported waveform-audio format.</source>
        <translation>Tentative d&apos;ouverture avec un format audio non pris en charge.</translation>
    </message>
    <message>
        <source>There are still buffers in the queue.</source>
        <translation>Il reste des tampons dans la file d&apos;attente.</translation>
    </message>
    <message>
        <source>The audio library could not be loaded.</source>
        <translation>La bibliothèque audio n&apos;a pas pu être chargée.</translation>
    </message>
    <message>
        <source>The end of the file (or the end of the parent chunk, if given) was reached before the desired chunk was found.</source>
        <translation>La fin du fichier (ou du bloc parent, s&apos;il est indiqué) a été atteinte avant que le bloc recherché soit trouvé.</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Mémoire insuffisante.</translation>
    </message>
    <message>
        <source>The specified command was carried out.</source>
        <translation>La commande indiquée a été exécutée.</translation>
    </message>
    <message>
        <source>Invalid device ID. Use the ID given to the device when the device was opened.</source>
        <translation>Identifiant de périphérique non valide. Utilisez l&apos;identifiant attribué au périphérique à son ouverture.</translation>
    </message>
    <message>
        <source>The device does not recognize the requested status item.</source>
        <translation>Le périphérique ne reconnaît pas l&apos;élément d&apos;état demandé.</translation>
    </message>
    <message>
        <source>There is not enough memory available for this task. Quit one or more applications to increase available memory, and then try again.</source>
        <translation>La mémoire disponible est insuffisante pour cette tâche. Quittez une ou plusieurs applications pour libérer de la mémoire, puis réessayez.</translation>
    </message>
    <message>
        <source>The specified command requires a parameter. Please supply one.</source>
        <translation>La commande indiquée requiert un paramètre. Veuillez en fournir un.</translation>
    </message>
    <message>
        <source>The specified file was not found. Make sure the path and filename are correct.</source>
        <translation>Le fichier indiqué est introuvable. Vérifiez que le chemin et le nom du fichier sont corrects.</translation>
    </message>
    <message>
        <source>An internal error occurred in the playback device.</source>
        <translation>Une erreur interne s&apos;est produite dans le périphérique de lecture.</translation>
    </message>
    <message>
        <source>The specified position is beyond the end of the file.</source>
        <translation>La position indiquée est au-delà de la fin du fichier.</translation>
    </message>
    <message>
        <source>The file cannot be played on the specified device. The file may be damaged, or not in a format the device can play.</source>
        <translation>Le fichier ne peut pas être lu sur le périphérique indiqué. Il est peut-être endommagé ou dans un format que le périphérique ne sait pas lire.</translation>
    </message>
    <message>
        <source>No sound output is available to play the file. Make sure the sound server is running, and then try again.</source>
        <translation>Aucune sortie audio n&apos;est disponible pour lire le fichier. Vérifiez que le serveur de son fonctionne, puis réessayez.</translation>
    </message>
    <message>
        <source>The specified file cannot be read. Make sure you are allowed to read it.</source>
        <translation>Le fichier indiqué ne peut pas être lu. Vérifiez que vous avez le droit de le lire.</translation>
    </message>
    <message>
        <source>A library the playback device needs cannot be loaded.</source>
        <translation>Une bibliothèque nécessaire au périphérique de lecture ne peut pas être chargée.</translation>
    </message>
    <message>
        <source>Unable to create file

%1
%2</source>
        <translation>Impossible de créer le fichier

%1
%2</translation>
    </message>
    <message>
        <source>Unknown mm file error %1</source>
        <translation>Erreur de fichier MM inconnue %1</translation>
    </message>
    <message>
        <source>An error open WAVE_MAPPER device, code=%1</source>
        <translation>Erreur à l&apos;ouverture du périphérique WAVE_MAPPER, code=%1</translation>
    </message>
    <message>
        <source>Unknown playback error %1.</source>
        <translation>Erreur de lecture inconnue %1.</translation>
    </message>
    <message>
        <source>The audio codec library %1 could not be loaded: %2.
Install the package %3 and try again.</source>
        <translation>La bibliothèque de codecs audio %1 n&apos;a pas pu être chargée&#xa0;: %2.
Installez le paquet %3 puis réessayez.</translation>
    </message>
    <message>
        <source>The sound server library %1 could not be loaded: %2.
Install the package %3 and try again.</source>
        <translation>La bibliothèque du serveur de son %1 n&apos;a pas pu être chargée&#xa0;: %2.
Installez le paquet %3 puis réessayez.</translation>
    </message>
    <message>
        <source>,</source>
        <comment>thousands separator, as in 22,050 Hz</comment>
        <translation>&#xa0;</translation>
    </message>
    <message>
        <source>PCM</source>
        <translation>PCM</translation>
    </message>
    <message>
        <source>CCITT A-Law</source>
        <translation>CCITT loi A</translation>
    </message>
    <message>
        <source>CCITT u-Law</source>
        <translation>CCITT loi µ</translation>
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
        <translation>Stéréo</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1&#xa0;Hz</translation>
    </message>
    <message>
        <source>%1 Bit</source>
        <translation>%1 bits</translation>
    </message>
    <message>
        <source>%1 kBit/s</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <source>%1 Channels</source>
        <translation>%1 canaux</translation>
    </message>
    <message>
        <source>%1 KB/s</source>
        <translation>%1 Ko/s</translation>
    </message>
    <message>
        <source>The file is too short to hold a sound header.</source>
        <translation>Le fichier est trop court pour contenir un en-tête audio.</translation>
    </message>
    <message>
        <source>The file is not a RIFF/WAVE file.</source>
        <translation>Le fichier n&apos;est pas un fichier RIFF/WAVE.</translation>
    </message>
    <message>
        <source>The file has no format chunk before its audio.</source>
        <translation>Le fichier n&apos;a pas de bloc de format avant ses données audio.</translation>
    </message>
    <message>
        <source>The file&apos;s format chunk holds figures no sound file has.</source>
        <translation>Le bloc de format du fichier contient des valeurs qu&apos;aucun fichier audio ne peut avoir.</translation>
    </message>
    <message>
        <source>The file is not an Ogg Opus file.</source>
        <translation>Le fichier n&apos;est pas un fichier Ogg Opus.</translation>
    </message>
    <message>
        <source>The file is not a FLAC file.</source>
        <translation>Le fichier n&apos;est pas un fichier FLAC.</translation>
    </message>
    <message>
        <source>The file is neither a WAV, an Opus nor a FLAC file.</source>
        <translation>Le fichier n&apos;est ni un fichier WAV, ni un fichier Opus, ni un fichier FLAC.</translation>
    </message>
</context>
</TS>
