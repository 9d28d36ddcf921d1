<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="fr">
<context>
    <name>AboutDlg148</name>
    <message>
        <source>Tintorel, à propos de</source>
        <translation>Tintorel, Info</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Lancer l&apos;application automatiquement au démarrage</source>
        <translation>Beim Anmelden automatisch starten</translation>
    </message>
    <message>
        <source>Suisse</source>
        <translation>Schweiz</translation>
    </message>
    <message>
        <source>France</source>
        <translation>Frankreich</translation>
    </message>
    <message>
        <source>Pays :</source>
        <translation>Land:</translation>
    </message>
    <message>
        <source>Notifications du bureau :</source>
        <translation>Desktop-Mitteilungen:</translation>
    </message>
    <message>
        <source>Automatiques : seulement sans zone de notification, ou sous Wayland</source>
        <translation>Automatisch: nur ohne Infobereich oder unter Wayland</translation>
    </message>
    <message>
        <source>Automatiques</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Activées</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Désactivées</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Langue :</source>
        <translation>Sprache:</translation>
    </message>
    <message>
        <source>Automatique</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Prend effet au prochain démarrage</source>
        <translation>Gilt ab dem nächsten Start</translation>
    </message>
    <message>
        <source>Connection permante à Internet ou essayer de se connecter</source>
        <translation>Ständig mit dem Internet verbunden oder Verbindung versuchen</translation>
    </message>
    <message>
        <source>Commande par appel :</source>
        <translation>Befehl pro Anruf:</translation>
    </message>
    <message>
        <source>Programme et arguments lancés à chaque appel, sans shell ; l&apos;appel est dans les variables TINTOREL_CALLING, TINTOREL_NAME, TINTOREL_CALLED...</source>
        <translation>Programm und Argumente, bei jedem Anruf ohne Shell gestartet; der Anruf steht in den Variablen TINTOREL_CALLING, TINTOREL_NAME, TINTOREL_CALLED...</translation>
    </message>
    <message>
        <source>Désinstaller</source>
        <translation>Deinstallieren</translation>
    </message>
</context>
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Version : %1</source>
        <extracomment>The about dialog; %1 is the version, &quot;1.0.0.0&quot;.</extracomment>
        <translation>Version: %1</translation>
    </message>
    <message>
        <source>Identification des appelants sur ligne RNIS</source>
        <translation>Anruferkennung für ISDN-Anschlüsse</translation>
    </message>
    <message>
        <source>Etes-vous sur de vouloir supprimer tous les paramètres de la base de registre ?</source>
        <translation>Wollen Sie wirklich alle Einstellungen aus der Registrierung löschen?</translation>
    </message>
    <message>
        <source>Vous pouvez maintenant supprimer tintorel.exe, isdncall.log et phonebook.txt.</source>
        <translation>Sie können jetzt tintorel.exe, isdncall.log und phonebook.txt löschen.</translation>
    </message>
    <message>
        <source>Erreur, impossible de supprimer les entr&amp;eacute; dans la base de registre.</source>
        <extracomment>Shown as plain text: the entity is part of the French wording only.</extracomment>
        <translation>Fehler: Die Einträge in der Registrierung können nicht gelöscht werden.</translation>
    </message>
</context>
<context>
    <name>CCallListDlg</name>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Numéro</source>
        <translation>Nummer</translation>
    </message>
    <message>
        <source>MSN</source>
        <extracomment>The column of the numbers called (the line&apos;s multiple subscriber numbers).</extracomment>
        <translation>MSN</translation>
    </message>
    <message>
        <source>Nom</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Erreur lors de la lecture du logfile !!</source>
        <translation>Fehler beim Lesen der Anrufliste!</translation>
    </message>
    <message>
        <source>Exporter la liste des appels</source>
        <extracomment>The file name proposed for the call history&apos;s export.</extracomment>
        <translation>Anrufliste exportieren</translation>
    </message>
    <message>
        <source>appels.csv</source>
        <translation>anrufe.csv</translation>
    </message>
    <message>
        <source>Fichiers CSV (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>Ajouter à l&apos;annuaire</source>
        <translation>Zum Telefonbuch hinzufügen</translation>
    </message>
</context>
<context>
    <name>CCallPopupDlg</name>
    <message>
        <source>Impossible de charger l&apos;icône d&apos;info.</source>
        <translation>Das Info-Symbol kann nicht geladen werden.</translation>
    </message>
    <message>
        <source>Impossible de charger l&apos;icône d&apos;annuaire.</source>
        <translation>Das Telefonbuch-Symbol kann nicht geladen werden.</translation>
    </message>
    <message>
        <source>Impossible de charger l&apos;icône d&apos;à propos de...</source>
        <translation>Das Info-Symbol von «Über...» kann nicht geladen werden.</translation>
    </message>
    <message>
        <source>Impossible de se connecter au driver CAPI.</source>
        <translation>Keine Verbindung zum CAPI-Treiber möglich.</translation>
    </message>
</context>
<context>
    <name>CLinesDlg</name>
    <message>
        <source>Adresse du moniteur d&apos;appels invalide : indiquez le nom ou l&apos;adresse IP du routeur, suivi si besoin de :port (par exemple 192.168.1.1:1012).</source>
        <translation>Ungültige Adresse des Anrufmonitors: Geben Sie den Namen oder die IP-Adresse des Routers an, wenn nötig gefolgt von :Port (zum Beispiel 192.168.1.1:1012).</translation>
    </message>
    <message>
        <source>Adresse du courtier MQTT invalide : indiquez mqtt://hôte ou mqtts://hôte, suivi si besoin de :port et de /préfixe (par exemple mqtt://192.168.1.10:1883/tintorel).</source>
        <translation>Ungültige Adresse des MQTT-Brokers: Geben Sie mqtt://Host oder mqtts://Host an, wenn nötig gefolgt von :Port und /Präfix (zum Beispiel mqtt://192.168.1.10:1883/tintorel).</translation>
    </message>
    <message>
        <source>Impossible d&apos;enregistrer l&apos;adresse du courtier MQTT dans les réglages : elle vaut jusqu&apos;à la fin de Tintorel.</source>
        <translation>Die Adresse des MQTT-Brokers kann nicht in den Einstellungen gespeichert werden: Sie gilt bis zum Beenden von Tintorel.</translation>
    </message>
</context>
<context>
    <name>CNumbersPanel</name>
    <message>
        <source>Numéro appelé</source>
        <translation>Angerufene Nummer</translation>
    </message>
    <message>
        <source>Nom</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Numéro</source>
        <translation>Nummer</translation>
    </message>
    <message>
        <source>Pas de numéro appelé ou de nom</source>
        <translation>Keine angerufene Nummer oder kein Name</translation>
    </message>
    <message>
        <source>Ce nom contient des caractères qui ne peuvent pas être enregistrés. Il n&apos;a pas été enregistré.</source>
        <translation>Dieser Name enthält Zeichen, die nicht gespeichert werden können. Er wurde nicht gespeichert.</translation>
    </message>
    <message>
        <source>Indiquez un numéro, un début de numéro suivi de * (par exemple 0900*) ou Anonyme. Rien n&apos;a été enregistré.</source>
        <extracomment>&quot;Anonyme&quot; is the entry for withheld numbers, as the list shows it.</extracomment>
        <translation>Geben Sie eine Nummer, einen Nummernanfang gefolgt von * (zum Beispiel 0900*) oder Anonym an. Es wurde nichts gespeichert.</translation>
    </message>
</context>
<context>
    <name>CPhonebookDlg</name>
    <message>
        <source>Tintorel - Annuaire</source>
        <translation>Tintorel - Telefonbuch</translation>
    </message>
    <message>
        <source>
... et %1 autres.</source>
        <extracomment>The end of an import&apos;s report; %1 is how many more contacts were skipped.</extracomment>
        <translation>
... und %1 weitere.</translation>
    </message>
    <message>
        <source>Numéro</source>
        <translation>Nummer</translation>
    </message>
    <message>
        <source>Nom</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Voulez-vous enregistrer les modifications effectuées ?</source>
        <translation>Wollen Sie die Änderungen speichern?</translation>
    </message>
    <message>
        <source>%1 Not found </source>
        <extracomment>%1 is a phonebook number that is not in the list.</extracomment>
        <translation>%1 nicht gefunden</translation>
    </message>
    <message>
        <source>Pas de numéro de téléphone ou de nom</source>
        <translation>Keine Telefonnummer oder kein Name</translation>
    </message>
    <message>
        <source>Ce nom contient des caractères qui ne peuvent pas être enregistrés dans l&apos;annuaire. Il n&apos;a pas été enregistré.</source>
        <translation>Dieser Name enthält Zeichen, die nicht im Telefonbuch gespeichert werden können. Er wurde nicht gespeichert.</translation>
    </message>
    <message>
        <source>L&apos;enregistrement existe déjà, l&apos;écraser ?</source>
        <translation>Der Eintrag besteht bereits. Überschreiben?</translation>
    </message>
    <message>
        <source>Importer des contacts</source>
        <translation>Kontakte importieren</translation>
    </message>
    <message>
        <source>Contacts (*.vcf *.vcard *.csv)</source>
        <translation>Kontakte (*.vcf *.vcard *.csv)</translation>
    </message>
    <message>
        <source>Cartes de visite (*.vcf *.vcard)</source>
        <translation>Visitenkarten (*.vcf *.vcard)</translation>
    </message>
    <message>
        <source>Fichiers CSV (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>Tous les fichiers (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Remplacer le nom des numéros déjà dans l&apos;annuaire par celui du fichier ?</source>
        <translation>Die Namen der Nummern, die schon im Telefonbuch stehen, durch die aus der Datei ersetzen?</translation>
    </message>
    <message>
        <source>Importation de « %1 »...</source>
        <extracomment>%1 is the file&apos;s name.</extracomment>
        <translation>«%1» wird importiert...</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Enregistrement de l&apos;annuaire...</source>
        <translation>Telefonbuch wird gespeichert...</translation>
    </message>
    <message>
        <source>Exporter l&apos;annuaire</source>
        <extracomment>&quot;annuaire.vcf&quot; is the file name proposed for the export.</extracomment>
        <translation>Telefonbuch exportieren</translation>
    </message>
    <message>
        <source>annuaire.vcf</source>
        <translation>telefonbuch.vcf</translation>
    </message>
</context>
<context>
    <name>CTrayIcon</name>
    <message>
        <source>Ouvrir</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Lignes...</source>
        <translation>Leitungen...</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>CallListDlg136</name>
    <message>
        <source>Liste des appels</source>
        <translation>Anrufliste</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Filtrer :</source>
        <translation>Filter:</translation>
    </message>
    <message>
        <source>Numéro ou nom</source>
        <translation>Nummer oder Name</translation>
    </message>
    <message>
        <source>Exporter...</source>
        <translation>Exportieren...</translation>
    </message>
</context>
<context>
    <name>CallLog</name>
    <message>
        <source>Erreur lors de l&apos;écriture dans le logfile !!</source>
        <translation>Fehler beim Schreiben der Anrufliste!</translation>
    </message>
</context>
<context>
    <name>CallNotification</name>
    <message>
        <source>Appel anonyme</source>
        <translation>Anruf mit unterdrückter Nummer</translation>
    </message>
    <message>
        <source>Appel de %1</source>
        <extracomment>A notification&apos;s summary; %1 is the caller&apos;s name, or the number while none is known.</extracomment>
        <translation>Anruf von %1</translation>
    </message>
    <message>
        <source>Numéro masqué</source>
        <translation>Unterdrückte Nummer</translation>
    </message>
    <message>
        <source>Numéro : %1</source>
        <translation>Nummer: %1</translation>
    </message>
    <message>
        <source>Nom : Recherche...</source>
        <translation>Name: Suche...</translation>
    </message>
    <message>
        <source>Nom : %1</source>
        <extracomment>%1 is what the lookup gave instead of a name (&quot;Inconnu&quot; and the like, translated).</extracomment>
        <translation>Name: %1</translation>
    </message>
    <message>
        <source>Numéro appelé : %1</source>
        <translation>Angerufene Nummer: %1</translation>
    </message>
    <message>
        <source>Heure : %1</source>
        <translation>Zeit: %1</translation>
    </message>
    <message>
        <source>Liste des appels</source>
        <translation>Anrufliste</translation>
    </message>
    <message>
        <source>Copier le numéro</source>
        <translation>Nummer kopieren</translation>
    </message>
    <message>
        <source>Ajouter à l&apos;annuaire</source>
        <translation>Zum Telefonbuch hinzufügen</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Affiche cette aide et quitte.</source>
        <translation>Zeigt diese Hilfe an und beendet das Programm.</translation>
    </message>
    <message>
        <source>Affiche la version et quitte.</source>
        <translation>Zeigt die Version an und beendet das Programm.</translation>
    </message>
    <message>
        <source>fichier</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Importe dans l&apos;annuaire les contacts d&apos;un fichier vCard ou CSV, puis quitte.</source>
        <translation>Importiert die Kontakte einer vCard- oder CSV-Datei ins Telefonbuch und beendet das Programm.</translation>
    </message>
    <message>
        <source>Avec --import : remplace le nom des numéros déjà dans l&apos;annuaire.</source>
        <translation>Mit --import: ersetzt die Namen der Nummern, die schon im Telefonbuch stehen.</translation>
    </message>
    <message>
        <source>Exporte l&apos;annuaire en vCard (.vcf) ou en CSV (.csv), puis quitte.</source>
        <translation>Exportiert das Telefonbuch als vCard (.vcf) oder CSV (.csv) und beendet das Programm.</translation>
    </message>
    <message>
        <source>Exporte la liste des appels en CSV, puis quitte.</source>
        <translation>Exportiert die Anrufliste als CSV und beendet das Programm.</translation>
    </message>
    <message>
        <source>Ouvre la liste des appels dans Tintorel déjà lancé.</source>
        <translation>Öffnet die Anrufliste im bereits laufenden Tintorel.</translation>
    </message>
    <message>
        <source>Ouvre l&apos;annuaire dans Tintorel déjà lancé.</source>
        <translation>Öffnet das Telefonbuch im bereits laufenden Tintorel.</translation>
    </message>
    <message>
        <source>Ouvre la fenêtre des lignes dans Tintorel déjà lancé.</source>
        <translation>Öffnet das Fenster der Leitungen im bereits laufenden Tintorel.</translation>
    </message>
    <message>
        <source>Ouvre « à propos » et les options dans Tintorel déjà lancé.</source>
        <translation>Öffnet «Info» und die Optionen im bereits laufenden Tintorel.</translation>
    </message>
    <message>
        <source>Quitte Tintorel déjà lancé.</source>
        <translation>Beendet das bereits laufende Tintorel.</translation>
    </message>
    <message>
        <source>Utilisation : %1 [option]

Tintorel annonce les appels entrants d&apos;une ligne RNIS : il attend dans la zone de
notification et montre dans un coin de l&apos;écran le numéro et le nom de qui appelle.

Options :
</source>
        <extracomment>--help; %1 is the program&apos;s name. Lines of at most 80 characters.</extracomment>
        <translation>Aufruf: %1 [Option]

Tintorel meldet die eingehenden Anrufe eines ISDN-Anschlusses: Es wartet im
Infobereich und zeigt in einer Bildschirmecke Nummer und Namen des Anrufers.

Optionen:
</translation>
    </message>
    <message>
        <source>
Sans option, Tintorel démarre. Pour en savoir plus : man %1
</source>
        <extracomment>The end of --help; %1 is the program&apos;s name (and its manual page&apos;s).</extracomment>
        <translation>
Ohne Option startet Tintorel. Mehr dazu: man %1
</translation>
    </message>
    <message>
        <source>%1 : %2
Pour la liste des options : %1 --help
</source>
        <extracomment>%1 is the program&apos;s name, %2 what is wrong with the command line.</extracomment>
        <translation>%1: %2
Für die Liste der Optionen: %1 --help
</translation>
    </message>
    <message>
        <source>option inconnue « %1 ».</source>
        <translation>unbekannte Option «%1».</translation>
    </message>
    <message>
        <source>il manque une valeur après « %1 ».</source>
        <translation>nach «%1» fehlt ein Wert.</translation>
    </message>
    <message>
        <source>argument inattendu « %1 ».</source>
        <translation>unerwartetes Argument «%1».</translation>
    </message>
    <message>
        <source>une seule de --import, --export et --export-history à la fois.</source>
        <translation>nur eine von --import, --export und --export-history auf einmal.</translation>
    </message>
    <message>
        <source>%1 et %2 ne vont pas ensemble.</source>
        <extracomment>Two options as typed, e.g. &quot;--import et --quit ne vont pas ensemble.&quot;</extracomment>
        <translation>%1 und %2 passen nicht zusammen.</translation>
    </message>
    <message>
        <source>--overwrite ne va qu&apos;avec --import.</source>
        <translation>--overwrite geht nur mit --import.</translation>
    </message>
</context>
<context>
    <name>ContactEntries</name>
    <message>
        <source>%1 : aucun nom</source>
        <extracomment>An import&apos;s report: %1 where the contact stands (&quot;Fiche 3&quot;, &quot;Ligne 12&quot;).</extracomment>
        <translation>%1: kein Name</translation>
    </message>
    <message>
        <source>%1 : « %2 » est une réponse de la recherche, pas un nom</source>
        <extracomment>An import&apos;s report: %1 the contact (&quot;Jean Dupont (fiche 3)&quot;), %2 its name.</extracomment>
        <translation>%1: «%2» ist eine Antwort der Suche, kein Name</translation>
    </message>
    <message>
        <source>%1 : caractère « %2 » absent de Windows-1252</source>
        <extracomment>An import&apos;s report: %1 the contact, %2 a character its name holds.</extracomment>
        <translation>%1: Zeichen «%2» fehlt in Windows-1252</translation>
    </message>
    <message>
        <source>%1 : aucun numéro utilisable</source>
        <translation>%1: keine brauchbare Nummer</translation>
    </message>
    <message>
        <source>%1 : numéro « %2 » inutilisable</source>
        <extracomment>An import&apos;s report: %1 the contact, %2 a number as the file writes it.</extracomment>
        <translation>%1: Nummer «%2» unbrauchbar</translation>
    </message>
    <message>
        <source>%1 : numéro %2 déjà pris pour %3</source>
        <extracomment>An import&apos;s report: %1 the contact, %2 its number, %3 the other contact of the file that has it.</extracomment>
        <translation>%1: Nummer %2 schon vergeben an %3</translation>
    </message>
</context>
<context>
    <name>ContactsCommands</name>
    <message>
        <source>1 entrée exportée</source>
        <translation>1 Eintrag exportiert</translation>
    </message>
    <message>
        <source>%1 entrées exportées</source>
        <translation>%1 Einträge exportiert</translation>
    </message>
    <message>
        <source>1 appel exporté</source>
        <translation>1 Anruf exportiert</translation>
    </message>
    <message>
        <source>%1 appels exportés</source>
        <translation>%1 Anrufe exportiert</translation>
    </message>
</context>
<context>
    <name>ContactsCsv</name>
    <message>
        <source>la première ligne doit nommer la colonne du nom et celle du numéro (par exemple « Nom,Numéro »)</source>
        <extracomment>&quot;Nom,Numéro&quot; is the heading line the program writes and reads in every language.</extracomment>
        <translation>die erste Zeile muss die Spalte des Namens und die der Nummer benennen (zum Beispiel «Nom,Numéro» oder «Name,Number»)</translation>
    </message>
    <message>
        <source>ligne %1</source>
        <extracomment>Where a contact stands in a CSV file: its line&apos;s number.</extracomment>
        <translation>Zeile %1</translation>
    </message>
    <message>
        <source>le fichier est vide</source>
        <translation>die Datei ist leer</translation>
    </message>
</context>
<context>
    <name>ContactsTransfer</name>
    <message>
        <source>%1 entrées importées, %2 ignorées</source>
        <translation>%1 Einträge importiert, %2 übersprungen</translation>
    </message>
    <message>
        <source>Impossible d&apos;importer « %1 » : %2.</source>
        <extracomment>%1 is a file&apos;s path, %2 why it can&apos;t be imported.</extracomment>
        <translation>«%1» kann nicht importiert werden: %2.</translation>
    </message>
    <message>
        <source>Impossible d&apos;enregistrer l&apos;annuaire (%1) : rien n&apos;a été importé.</source>
        <extracomment>%1 is the system&apos;s reason.</extracomment>
        <translation>Das Telefonbuch kann nicht gespeichert werden (%1): Es wurde nichts importiert.</translation>
    </message>
    <message>
        <source>%1 : numéro %2 déjà dans l&apos;annuaire sous « %3 »</source>
        <extracomment>An import&apos;s report: %1 the contact, %2 its number, %3 the name the phonebook has for it.</extracomment>
        <translation>%1: Nummer %2 steht schon im Telefonbuch unter «%3»</translation>
    </message>
    <message>
        <source>Impossible d&apos;exporter vers « %1 » : choisissez un nom de fichier en .vcf, .vcard ou .csv.</source>
        <translation>Export nach «%1» nicht möglich: Wählen Sie einen Dateinamen mit .vcf, .vcard oder .csv.</translation>
    </message>
</context>
<context>
    <name>Csv</name>
    <message>
        <source>la ligne %1 dépasse %2 Mo</source>
        <extracomment>Why a file can&apos;t be imported: %1 a line number, %2 a size in megabytes.</extracomment>
        <translation>Zeile %1 ist grösser als %2 MB</translation>
    </message>
    <message>
        <source>guillemet ouvert à la ligne %1 et jamais refermé</source>
        <translation>Anführungszeichen in Zeile %1 geöffnet und nie geschlossen</translation>
    </message>
    <message>
        <source>texte après un guillemet fermant à la ligne %1</source>
        <translation>Text nach einem schliessenden Anführungszeichen in Zeile %1</translation>
    </message>
    <message>
        <source>plus de %1 colonnes à la ligne %2</source>
        <translation>mehr als %1 Spalten in Zeile %2</translation>
    </message>
</context>
<context>
    <name>FileLocations</name>
    <message>
        <source>Impossible d&apos;obtenir le répertoire de l&apos;application (%1).</source>
        <translation>Der Ordner des Programms kann nicht ermittelt werden (%1).</translation>
    </message>
</context>
<context>
    <name>HistoryExport</name>
    <message>
        <source>Impossible de lire le journal des appels « %1 » : %2.</source>
        <extracomment>%1 is the call log&apos;s path, %2 the system&apos;s reason.</extracomment>
        <translation>Die Anrufliste «%1» kann nicht gelesen werden: %2.</translation>
    </message>
</context>
<context>
    <name>ImportProgress</name>
    <message>
        <source>importation annulée</source>
        <translation>Import abgebrochen</translation>
    </message>
</context>
<context>
    <name>ImportText</name>
    <message>
        <source>le fichier n&apos;est pas un texte UTF-16 valable</source>
        <translation>die Datei ist kein gültiger UTF-16-Text</translation>
    </message>
    <message>
        <source>le fichier contient des données binaires</source>
        <translation>die Datei enthält Binärdaten</translation>
    </message>
    <message>
        <source>plus de %1 contacts et numéros dans le fichier</source>
        <translation>mehr als %1 Kontakte und Nummern in der Datei</translation>
    </message>
</context>
<context>
    <name>LineTexts</name>
    <message>
        <source>nouvel essai dans %1 s</source>
        <extracomment>When a line is tried again; %1 counts down the seconds.</extracomment>
        <translation>neuer Versuch in %1 s</translation>
    </message>
    <message>
        <source>nouvel essai en cours</source>
        <translation>neuer Versuch läuft</translation>
    </message>
    <message>
        <source>courtier MQTT refusé, %1</source>
        <extracomment>The tray&apos;s tip; %1 is &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>MQTT-Broker abgewiesen, %1</translation>
    </message>
    <message>
        <source>courtier MQTT injoignable, %1</source>
        <translation>MQTT-Broker nicht erreichbar, %1</translation>
    </message>
    <message>
        <source>courtier MQTT : adresse invalide</source>
        <translation>MQTT-Broker: ungültige Adresse</translation>
    </message>
    <message>
        <source>courtier MQTT arrêté</source>
        <translation>MQTT-Broker angehalten</translation>
    </message>
    <message>
        <source>ligne CAPI perdue, %1</source>
        <translation>CAPI-Leitung verloren, %1</translation>
    </message>
    <message>
        <source>moniteur d&apos;appels refusé, %1</source>
        <translation>Anrufmonitor abgewiesen, %1</translation>
    </message>
    <message>
        <source>moniteur d&apos;appels injoignable, %1</source>
        <translation>Anrufmonitor nicht erreichbar, %1</translation>
    </message>
    <message>
        <source>moniteur d&apos;appels : adresse invalide</source>
        <translation>Anrufmonitor: ungültige Adresse</translation>
    </message>
    <message>
        <source>moniteur d&apos;appels arrêté</source>
        <translation>Anrufmonitor angehalten</translation>
    </message>
    <message>
        <source>Connectée, 1 contrôleur</source>
        <extracomment>The CAPI line&apos;s state (la ligne: feminine in French).</extracomment>
        <translation>Verbunden, 1 Controller</translation>
    </message>
    <message>
        <source>Connectée, %1 contrôleurs</source>
        <translation>Verbunden, %1 Controller</translation>
    </message>
    <message>
        <source>Perdue, %1</source>
        <extracomment>The CAPI line&apos;s state; %1 is &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>Verloren, %1</translation>
    </message>
    <message>
        <source>Absente, %1</source>
        <extracomment>The CAPI line&apos;s state: no driver; %1 is &quot;nouvel essai dans 30 s&quot;.</extracomment>
        <translation>Fehlt, %1</translation>
    </message>
    <message>
        <source>Connexion au driver...</source>
        <translation>Verbindung zum Treiber...</translation>
    </message>
    <message>
        <source>Absente</source>
        <extracomment>The CAPI line&apos;s state: no driver.</extracomment>
        <translation>Fehlt</translation>
    </message>
    <message>
        <source>Connexion à %1...</source>
        <extracomment>The call monitor&apos;s or the MQTT broker&apos;s state (le moniteur, le courtier: masculine in French); %1 is its address.</extracomment>
        <translation>Verbindung mit %1...</translation>
    </message>
    <message>
        <source>Connecté à %1</source>
        <translation>Verbunden mit %1</translation>
    </message>
    <message>
        <source>Refusé par %1, %2</source>
        <extracomment>%1 is the address, %2 &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>Abgewiesen von %1, %2</translation>
    </message>
    <message>
        <source>Injoignable (%1), %2</source>
        <extracomment>%1 is the address, %2 &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>Nicht erreichbar (%1), %2</translation>
    </message>
    <message>
        <source>Adresse invalide : %1</source>
        <translation>Ungültige Adresse: %1</translation>
    </message>
    <message>
        <source>Impossible de surveiller %1, pas de nouvel essai</source>
        <translation>%1 kann nicht überwacht werden, kein neuer Versuch</translation>
    </message>
    <message>
        <source>Désactivé</source>
        <extracomment>The call monitor&apos;s or the MQTT broker&apos;s state: no address given.</extracomment>
        <translation>Ausgeschaltet</translation>
    </message>
    <message>
        <source>Identifiant ou mot de passe refusé par %1, %2</source>
        <extracomment>%1 is the broker&apos;s address, %2 &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>Benutzername oder Passwort abgewiesen von %1, %2</translation>
    </message>
    <message>
        <source>Impossible de joindre %1, pas de nouvel essai</source>
        <translation>%1 nicht erreichbar, kein neuer Versuch</translation>
    </message>
    <message>
        <source>Tintorel - %1</source>
        <extracomment>The tray&apos;s tip: the program&apos;s name, then what is down, joined by &quot; ; &quot;.</extracomment>
        <translation>Tintorel - %1</translation>
    </message>
    <message>
        <source> ; </source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>LinesDlg</name>
    <message>
        <source>Tintorel, lignes</source>
        <translation>Tintorel, Leitungen</translation>
    </message>
    <message>
        <source>Ligne CAPI :</source>
        <translation>CAPI-Leitung:</translation>
    </message>
    <message>
        <source>Moniteur d&apos;appels :</source>
        <translation>Anrufmonitor:</translation>
    </message>
    <message>
        <source>Activez le moniteur d&apos;appels en composant #96*5* sur un téléphone du routeur.</source>
        <translation>Schalten Sie den Anrufmonitor ein, indem Sie an einem Telefon am Router #96*5* wählen.</translation>
    </message>
    <message>
        <source>Adresse du moniteur :</source>
        <translation>Adresse des Monitors:</translation>
    </message>
    <message>
        <source>Appliquer</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>hôte[:port], le port 1012 par défaut ; vide : désactivé</source>
        <translation>Host[:Port], Standardport 1012; leer: ausgeschaltet</translation>
    </message>
    <message>
        <source>Courtier MQTT :</source>
        <translation>MQTT-Broker:</translation>
    </message>
    <message>
        <source>Adresse du courtier :</source>
        <translation>Adresse des Brokers:</translation>
    </message>
    <message>
        <source>mqtt[s]://[utilisateur:mot de passe@]hôte[:port][/préfixe] ; vide : désactivé</source>
        <translation>mqtt[s]://[Benutzer:Passwort@]Host[:Port][/Präfix]; leer: ausgeschaltet</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>LogOwner</name>
    <message>
        <source>Impossible de créer le pipe. LastError : %1</source>
        <translation>Die Pipe kann nicht angelegt werden. LastError: %1</translation>
    </message>
    <message>
        <source>Erreur : pipe déjà existant.</source>
        <translation>Fehler: Die Pipe besteht bereits.</translation>
    </message>
</context>
<context>
    <name>LookupWords</name>
    <message>
        <source>Inconnu</source>
        <extracomment>Shown in place of a caller&apos;s name or number; the files keep the French words.</extracomment>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Erreur</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Pas de connection</source>
        <translation>Keine Verbindung</translation>
    </message>
    <message>
        <source>Recherche...</source>
        <translation>Suche...</translation>
    </message>
    <message>
        <source>Anonyme</source>
        <translation>Anonym</translation>
    </message>
</context>
<context>
    <name>NumberActions</name>
    <message>
        <source>Copier le numéro</source>
        <translation>Nummer kopieren</translation>
    </message>
    <message>
        <source>Ne plus ignorer ce numéro</source>
        <translation>Diese Nummer nicht mehr ignorieren</translation>
    </message>
    <message>
        <source>Ignorer ce numéro</source>
        <translation>Diese Nummer ignorieren</translation>
    </message>
    <message>
        <source>Ce numéro contient des caractères qui ne font pas partie d&apos;un numéro de téléphone. Il n&apos;a pas été enregistré.</source>
        <translation>Diese Nummer enthält Zeichen, die nicht zu einer Telefonnummer gehören. Sie wurde nicht gespeichert.</translation>
    </message>
    <message>
        <source>Erreur lors de l&apos;écriture des paramètres !!</source>
        <translation>Fehler beim Schreiben der Einstellungen!</translation>
    </message>
</context>
<context>
    <name>NumbersPanel</name>
    <message>
        <source>Numéros appelés :</source>
        <translation>Angerufene Nummern:</translation>
    </message>
    <message>
        <source>Supprimer</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Numéro :</source>
        <translation>Nummer:</translation>
    </message>
    <message>
        <source>Nom :</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Modifier</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Ajouter</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Numéros ignorés :</source>
        <translation>Ignorierte Nummern:</translation>
    </message>
    <message>
        <source>un numéro, un début de numéro suivi de *, ou Anonyme</source>
        <translation>eine Nummer, ein Nummernanfang gefolgt von * oder Anonym</translation>
    </message>
</context>
<context>
    <name>Phonebook</name>
    <message>
        <source>Erreur lors de la lecture de l&apos;annuaire !!</source>
        <translation>Fehler beim Lesen des Telefonbuchs!</translation>
    </message>
    <message>
        <source>Erreur lors de l&apos;ecriture de l&apos;annuaire !!</source>
        <translation>Fehler beim Schreiben des Telefonbuchs!</translation>
    </message>
</context>
<context>
    <name>PhonebookDlg140</name>
    <message>
        <source>Annuaire</source>
        <translation>Telefonbuch</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Numéro :</source>
        <translation>Nummer:</translation>
    </message>
    <message>
        <source>Nom :</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Modifier</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Rétablir</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Supprimer</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Rechercher</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Nouveau numéro</source>
        <translation>Neue Nummer</translation>
    </message>
    <message>
        <source>Importer...</source>
        <translation>Importieren...</translation>
    </message>
    <message>
        <source>Exporter...</source>
        <translation>Exportieren...</translation>
    </message>
</context>
<context>
    <name>RunningCopy</name>
    <message>
        <source>Tintorel ne tourne pas.</source>
        <translation>Tintorel läuft nicht.</translation>
    </message>
    <message>
        <source>Tintorel ne répond pas.</source>
        <translation>Tintorel antwortet nicht.</translation>
    </message>
    <message>
        <source>Tintorel n&apos;a pas compris la demande.</source>
        <translation>Tintorel hat die Anfrage nicht verstanden.</translation>
    </message>
</context>
<context>
    <name>TransferFile</name>
    <message>
        <source>Impossible de lire « %1 » : %2.</source>
        <extracomment>%1 is a file&apos;s path, %2 why it can&apos;t be read.</extracomment>
        <translation>«%1» kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>c&apos;est un dossier</source>
        <translation>das ist ein Ordner</translation>
    </message>
    <message>
        <source>Impossible d&apos;importer « %1 » : le fichier dépasse %2 Mo.</source>
        <extracomment>%1 is a file&apos;s path, %2 a size in megabytes.</extracomment>
        <translation>«%1» kann nicht importiert werden: Die Datei ist grösser als %2 MB.</translation>
    </message>
    <message>
        <source>Impossible d&apos;écrire « %1 » : %2.</source>
        <extracomment>%1 is a file&apos;s path, %2 why it can&apos;t be written.</extracomment>
        <translation>«%1» kann nicht geschrieben werden: %2.</translation>
    </message>
</context>
<context>
    <name>UnknownNumbers</name>
    <message>
        <source>Erreur lors de l&apos;écriture des numéros inconnus !!</source>
        <translation>Fehler beim Schreiben der unbekannten Nummern!</translation>
    </message>
</context>
<context>
    <name>VCard</name>
    <message>
        <source>la ligne %1 dépasse %2 Mo</source>
        <extracomment>Why a file can&apos;t be imported: %1 a line number, %2 a size in megabytes.</extracomment>
        <translation>Zeile %1 ist grösser als %2 MB</translation>
    </message>
    <message>
        <source>fiche %1</source>
        <extracomment>Where a contact stands in a vCard file: its card&apos;s number.</extracomment>
        <translation>Karte %1</translation>
    </message>
    <message>
        <source>la fiche %1 n&apos;est pas terminée (END:VCARD manquant)</source>
        <translation>Karte %1 ist nicht abgeschlossen (END:VCARD fehlt)</translation>
    </message>
    <message>
        <source>aucune fiche vCard (BEGIN:VCARD) dans le fichier</source>
        <translation>keine vCard-Karte (BEGIN:VCARD) in der Datei</translation>
    </message>
</context>
</TS>
