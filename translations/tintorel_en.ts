<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="fr">
<context>
    <name>AboutDlg148</name>
    <message>
        <source>Tintorel, à propos de</source>
        <translation>About Tintorel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Lancer l&apos;application automatiquement au démarrage</source>
        <translation>Start automatically when logging in</translation>
    </message>
    <message>
        <source>Suisse</source>
        <translation>Switzerland</translation>
    </message>
    <message>
        <source>France</source>
        <translation>France</translation>
    </message>
    <message>
        <source>Pays :</source>
        <translation>Country:</translation>
    </message>
    <message>
        <source>Notifications du bureau :</source>
        <translation>Desktop notifications:</translation>
    </message>
    <message>
        <source>Automatiques : seulement sans zone de notification, ou sous Wayland</source>
        <translation>Automatic: only without a system tray, or on Wayland</translation>
    </message>
    <message>
        <source>Automatiques</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>Activées</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Désactivées</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Langue :</source>
        <translation>Language:</translation>
    </message>
    <message>
        <source>Automatique</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>Prend effet au prochain démarrage</source>
        <translation>Applies from the next start</translation>
    </message>
    <message>
        <source>Connection permante à Internet ou essayer de se connecter</source>
        <translation>Permanent Internet connection, or try to connect</translation>
    </message>
    <message>
        <source>Commande par appel :</source>
        <translation>Command per call:</translation>
    </message>
    <message>
        <source>Programme et arguments lancés à chaque appel, sans shell ; l&apos;appel est dans les variables TINTOREL_CALLING, TINTOREL_NAME, TINTOREL_CALLED...</source>
        <translation>Program and arguments run for each call, without a shell; the call is in the variables TINTOREL_CALLING, TINTOREL_NAME, TINTOREL_CALLED...</translation>
    </message>
    <message>
        <source>Désinstaller</source>
        <translation>Uninstall</translation>
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
        <translation>Caller identification on ISDN lines</translation>
    </message>
    <message>
        <source>Etes-vous sur de vouloir supprimer tous les paramètres de la base de registre ?</source>
        <translation>Are you sure you want to remove all settings from the registry?</translation>
    </message>
    <message>
        <source>Vous pouvez maintenant supprimer tintorel.exe, isdncall.log et phonebook.txt.</source>
        <translation>You can now delete tintorel.exe, isdncall.log and phonebook.txt.</translation>
    </message>
    <message>
        <source>Erreur, impossible de supprimer les entr&amp;eacute; dans la base de registre.</source>
        <extracomment>Shown as plain text: the entity is part of the French wording only.</extracomment>
        <translation>Error: the registry entries cannot be removed.</translation>
    </message>
</context>
<context>
    <name>CCallListDlg</name>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Numéro</source>
        <translation>Number</translation>
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
        <translation>Error while reading the call log!</translation>
    </message>
    <message>
        <source>Exporter la liste des appels</source>
        <extracomment>The file name proposed for the call history&apos;s export.</extracomment>
        <translation>Export the call history</translation>
    </message>
    <message>
        <source>appels.csv</source>
        <translation>calls.csv</translation>
    </message>
    <message>
        <source>Fichiers CSV (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Ajouter à l&apos;annuaire</source>
        <translation>Add to phonebook</translation>
    </message>
</context>
<context>
    <name>CCallPopupDlg</name>
    <message>
        <source>Impossible de charger l&apos;icône d&apos;info.</source>
        <translation>Cannot load the info icon.</translation>
    </message>
    <message>
        <source>Impossible de charger l&apos;icône d&apos;annuaire.</source>
        <translation>Cannot load the phonebook icon.</translation>
    </message>
    <message>
        <source>Impossible de charger l&apos;icône d&apos;à propos de...</source>
        <translation>Cannot load the about icon.</translation>
    </message>
    <message>
        <source>Impossible de se connecter au driver CAPI.</source>
        <translation>Cannot connect to the CAPI driver.</translation>
    </message>
</context>
<context>
    <name>CLinesDlg</name>
    <message>
        <source>Adresse du moniteur d&apos;appels invalide : indiquez le nom ou l&apos;adresse IP du routeur, suivi si besoin de :port (par exemple 192.168.1.1:1012).</source>
        <translation>Invalid call monitor address: give the router&apos;s name or IP address, followed by :port if needed (for example 192.168.1.1:1012).</translation>
    </message>
    <message>
        <source>Adresse du courtier MQTT invalide : indiquez mqtt://hôte ou mqtts://hôte, suivi si besoin de :port et de /préfixe (par exemple mqtt://192.168.1.10:1883/tintorel).</source>
        <translation>Invalid MQTT broker address: give mqtt://host or mqtts://host, followed by :port and /prefix if needed (for example mqtt://192.168.1.10:1883/tintorel).</translation>
    </message>
    <message>
        <source>Impossible d&apos;enregistrer l&apos;adresse du courtier MQTT dans les réglages : elle vaut jusqu&apos;à la fin de Tintorel.</source>
        <translation>Cannot store the MQTT broker address in the settings: it applies until Tintorel ends.</translation>
    </message>
</context>
<context>
    <name>CNumbersPanel</name>
    <message>
        <source>Numéro appelé</source>
        <translation>Number called</translation>
    </message>
    <message>
        <source>Nom</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Numéro</source>
        <translation>Number</translation>
    </message>
    <message>
        <source>Pas de numéro appelé ou de nom</source>
        <translation>No number called or no name</translation>
    </message>
    <message>
        <source>Ce nom contient des caractères qui ne peuvent pas être enregistrés. Il n&apos;a pas été enregistré.</source>
        <translation>This name holds characters that cannot be stored. It was not stored.</translation>
    </message>
    <message>
        <source>Indiquez un numéro, un début de numéro suivi de * (par exemple 0900*) ou Anonyme. Rien n&apos;a été enregistré.</source>
        <extracomment>&quot;Anonyme&quot; is the entry for withheld numbers, as the list shows it.</extracomment>
        <translation>Give a number, the start of a number followed by * (for example 0900*) or Withheld. Nothing was stored.</translation>
    </message>
</context>
<context>
    <name>CPhonebookDlg</name>
    <message>
        <source>Tintorel - Annuaire</source>
        <translation>Tintorel - Phonebook</translation>
    </message>
    <message>
        <source>
... et %1 autres.</source>
        <extracomment>The end of an import&apos;s report; %1 is how many more contacts were skipped.</extracomment>
        <translation>
... and %1 more.</translation>
    </message>
    <message>
        <source>Numéro</source>
        <translation>Number</translation>
    </message>
    <message>
        <source>Nom</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Voulez-vous enregistrer les modifications effectuées ?</source>
        <translation>Do you want to save your changes?</translation>
    </message>
    <message>
        <source>%1 Not found </source>
        <extracomment>%1 is a phonebook number that is not in the list.</extracomment>
        <translation>%1 Not found </translation>
    </message>
    <message>
        <source>Pas de numéro de téléphone ou de nom</source>
        <translation>No phone number or no name</translation>
    </message>
    <message>
        <source>Ce nom contient des caractères qui ne peuvent pas être enregistrés dans l&apos;annuaire. Il n&apos;a pas été enregistré.</source>
        <translation>This name holds characters that cannot be stored in the phonebook. It was not stored.</translation>
    </message>
    <message>
        <source>L&apos;enregistrement existe déjà, l&apos;écraser ?</source>
        <translation>The entry exists already. Overwrite it?</translation>
    </message>
    <message>
        <source>Importer des contacts</source>
        <translation>Import contacts</translation>
    </message>
    <message>
        <source>Contacts (*.vcf *.vcard *.csv)</source>
        <translation>Contacts (*.vcf *.vcard *.csv)</translation>
    </message>
    <message>
        <source>Cartes de visite (*.vcf *.vcard)</source>
        <translation>Business cards (*.vcf *.vcard)</translation>
    </message>
    <message>
        <source>Fichiers CSV (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Tous les fichiers (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Remplacer le nom des numéros déjà dans l&apos;annuaire par celui du fichier ?</source>
        <translation>Replace the names of numbers already in the phonebook with those from the file?</translation>
    </message>
    <message>
        <source>Importation de « %1 »...</source>
        <extracomment>%1 is the file&apos;s name.</extracomment>
        <translation>Importing &quot;%1&quot;...</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Enregistrement de l&apos;annuaire...</source>
        <translation>Saving the phonebook...</translation>
    </message>
    <message>
        <source>Exporter l&apos;annuaire</source>
        <extracomment>&quot;annuaire.vcf&quot; is the file name proposed for the export.</extracomment>
        <translation>Export the phonebook</translation>
    </message>
    <message>
        <source>annuaire.vcf</source>
        <translation>phonebook.vcf</translation>
    </message>
</context>
<context>
    <name>CTrayIcon</name>
    <message>
        <source>Ouvrir</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Lignes...</source>
        <translation>Lines...</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>CallListDlg136</name>
    <message>
        <source>Liste des appels</source>
        <translation>Call history</translation>
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
        <translation>Number or name</translation>
    </message>
    <message>
        <source>Exporter...</source>
        <translation>Export...</translation>
    </message>
</context>
<context>
    <name>CallLog</name>
    <message>
        <source>Erreur lors de l&apos;écriture dans le logfile !!</source>
        <translation>Error while writing the call log!</translation>
    </message>
</context>
<context>
    <name>CallNotification</name>
    <message>
        <source>Appel anonyme</source>
        <translation>Call from a withheld number</translation>
    </message>
    <message>
        <source>Appel de %1</source>
        <extracomment>A notification&apos;s summary; %1 is the caller&apos;s name, or the number while none is known.</extracomment>
        <translation>Call from %1</translation>
    </message>
    <message>
        <source>Numéro masqué</source>
        <translation>Withheld number</translation>
    </message>
    <message>
        <source>Numéro : %1</source>
        <translation>Number: %1</translation>
    </message>
    <message>
        <source>Nom : Recherche...</source>
        <translation>Name: Looking up...</translation>
    </message>
    <message>
        <source>Nom : %1</source>
        <extracomment>%1 is what the lookup gave instead of a name (&quot;Inconnu&quot; and the like, translated).</extracomment>
        <translation>Name: %1</translation>
    </message>
    <message>
        <source>Numéro appelé : %1</source>
        <translation>Number called: %1</translation>
    </message>
    <message>
        <source>Heure : %1</source>
        <translation>Time: %1</translation>
    </message>
    <message>
        <source>Liste des appels</source>
        <translation>Call history</translation>
    </message>
    <message>
        <source>Copier le numéro</source>
        <translation>Copy number</translation>
    </message>
    <message>
        <source>Ajouter à l&apos;annuaire</source>
        <translation>Add to phonebook</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Affiche cette aide et quitte.</source>
        <translation>Shows this help and quits.</translation>
    </message>
    <message>
        <source>Affiche la version et quitte.</source>
        <translation>Shows the version and quits.</translation>
    </message>
    <message>
        <source>fichier</source>
        <translation>file</translation>
    </message>
    <message>
        <source>Importe dans l&apos;annuaire les contacts d&apos;un fichier vCard ou CSV, puis quitte.</source>
        <translation>Imports the contacts of a vCard or CSV file into the phonebook, then quits.</translation>
    </message>
    <message>
        <source>Avec --import : remplace le nom des numéros déjà dans l&apos;annuaire.</source>
        <translation>With --import: replaces the names of numbers already in the phonebook.</translation>
    </message>
    <message>
        <source>Exporte l&apos;annuaire en vCard (.vcf) ou en CSV (.csv), puis quitte.</source>
        <translation>Exports the phonebook as vCard (.vcf) or CSV (.csv), then quits.</translation>
    </message>
    <message>
        <source>Exporte la liste des appels en CSV, puis quitte.</source>
        <translation>Exports the call history as CSV, then quits.</translation>
    </message>
    <message>
        <source>Ouvre la liste des appels dans Tintorel déjà lancé.</source>
        <translation>Opens the call history in the Tintorel already running.</translation>
    </message>
    <message>
        <source>Ouvre l&apos;annuaire dans Tintorel déjà lancé.</source>
        <translation>Opens the phonebook in the Tintorel already running.</translation>
    </message>
    <message>
        <source>Ouvre la fenêtre des lignes dans Tintorel déjà lancé.</source>
        <translation>Opens the lines window in the Tintorel already running.</translation>
    </message>
    <message>
        <source>Ouvre « à propos » et les options dans Tintorel déjà lancé.</source>
        <translation>Opens &quot;About&quot; and the options in the Tintorel already running.</translation>
    </message>
    <message>
        <source>Quitte Tintorel déjà lancé.</source>
        <translation>Quits the Tintorel already running.</translation>
    </message>
    <message>
        <source>Utilisation : %1 [option]

Tintorel annonce les appels entrants d&apos;une ligne RNIS : il attend dans la zone de
notification et montre dans un coin de l&apos;écran le numéro et le nom de qui appelle.

Options :
</source>
        <extracomment>--help; %1 is the program&apos;s name. Lines of at most 80 characters.</extracomment>
        <translation>Usage: %1 [option]

Tintorel announces the incoming calls of an ISDN line: it waits in the system
tray and shows the caller&apos;s number and name in a corner of the screen.

Options:
</translation>
    </message>
    <message>
        <source>
Sans option, Tintorel démarre. Pour en savoir plus : man %1
</source>
        <extracomment>The end of --help; %1 is the program&apos;s name (and its manual page&apos;s).</extracomment>
        <translation>
Without an option, Tintorel starts. To learn more: man %1
</translation>
    </message>
    <message>
        <source>%1 : %2
Pour la liste des options : %1 --help
</source>
        <extracomment>%1 is the program&apos;s name, %2 what is wrong with the command line.</extracomment>
        <translation>%1: %2
For the list of options: %1 --help
</translation>
    </message>
    <message>
        <source>option inconnue « %1 ».</source>
        <translation>unknown option &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>il manque une valeur après « %1 ».</source>
        <translation>a value is missing after &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>argument inattendu « %1 ».</source>
        <translation>unexpected argument &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>une seule de --import, --export et --export-history à la fois.</source>
        <translation>only one of --import, --export and --export-history at a time.</translation>
    </message>
    <message>
        <source>%1 et %2 ne vont pas ensemble.</source>
        <extracomment>Two options as typed, e.g. &quot;--import et --quit ne vont pas ensemble.&quot;</extracomment>
        <translation>%1 and %2 do not go together.</translation>
    </message>
    <message>
        <source>--overwrite ne va qu&apos;avec --import.</source>
        <translation>--overwrite goes only with --import.</translation>
    </message>
</context>
<context>
    <name>ContactEntries</name>
    <message>
        <source>%1 : aucun nom</source>
        <extracomment>An import&apos;s report: %1 where the contact stands (&quot;Fiche 3&quot;, &quot;Ligne 12&quot;).</extracomment>
        <translation>%1: no name</translation>
    </message>
    <message>
        <source>%1 : « %2 » est une réponse de la recherche, pas un nom</source>
        <extracomment>An import&apos;s report: %1 the contact (&quot;Jean Dupont (fiche 3)&quot;), %2 its name.</extracomment>
        <translation>%1: &quot;%2&quot; is an answer of the lookup, not a name</translation>
    </message>
    <message>
        <source>%1 : caractère « %2 » absent de Windows-1252</source>
        <extracomment>An import&apos;s report: %1 the contact, %2 a character its name holds.</extracomment>
        <translation>%1: character &quot;%2&quot; is not in Windows-1252</translation>
    </message>
    <message>
        <source>%1 : aucun numéro utilisable</source>
        <translation>%1: no usable number</translation>
    </message>
    <message>
        <source>%1 : numéro « %2 » inutilisable</source>
        <extracomment>An import&apos;s report: %1 the contact, %2 a number as the file writes it.</extracomment>
        <translation>%1: number &quot;%2&quot; unusable</translation>
    </message>
    <message>
        <source>%1 : numéro %2 déjà pris pour %3</source>
        <extracomment>An import&apos;s report: %1 the contact, %2 its number, %3 the other contact of the file that has it.</extracomment>
        <translation>%1: number %2 already taken by %3</translation>
    </message>
</context>
<context>
    <name>ContactsCommands</name>
    <message>
        <source>1 entrée exportée</source>
        <translation>1 entry exported</translation>
    </message>
    <message>
        <source>%1 entrées exportées</source>
        <translation>%1 entries exported</translation>
    </message>
    <message>
        <source>1 appel exporté</source>
        <translation>1 call exported</translation>
    </message>
    <message>
        <source>%1 appels exportés</source>
        <translation>%1 calls exported</translation>
    </message>
</context>
<context>
    <name>ContactsCsv</name>
    <message>
        <source>la première ligne doit nommer la colonne du nom et celle du numéro (par exemple « Nom,Numéro »)</source>
        <extracomment>&quot;Nom,Numéro&quot; is the heading line the program writes and reads in every language.</extracomment>
        <translation>the first line must name the name column and the number column (for example &quot;Name,Number&quot;)</translation>
    </message>
    <message>
        <source>ligne %1</source>
        <extracomment>Where a contact stands in a CSV file: its line&apos;s number.</extracomment>
        <translation>line %1</translation>
    </message>
    <message>
        <source>le fichier est vide</source>
        <translation>the file is empty</translation>
    </message>
</context>
<context>
    <name>ContactsTransfer</name>
    <message>
        <source>%1 entrées importées, %2 ignorées</source>
        <translation>%1 entries imported, %2 skipped</translation>
    </message>
    <message>
        <source>Impossible d&apos;importer « %1 » : %2.</source>
        <extracomment>%1 is a file&apos;s path, %2 why it can&apos;t be imported.</extracomment>
        <translation>Cannot import &quot;%1&quot;: %2.</translation>
    </message>
    <message>
        <source>Impossible d&apos;enregistrer l&apos;annuaire (%1) : rien n&apos;a été importé.</source>
        <extracomment>%1 is the system&apos;s reason.</extracomment>
        <translation>Cannot save the phonebook (%1): nothing was imported.</translation>
    </message>
    <message>
        <source>%1 : numéro %2 déjà dans l&apos;annuaire sous « %3 »</source>
        <extracomment>An import&apos;s report: %1 the contact, %2 its number, %3 the name the phonebook has for it.</extracomment>
        <translation>%1: number %2 already in the phonebook as &quot;%3&quot;</translation>
    </message>
    <message>
        <source>Impossible d&apos;exporter vers « %1 » : choisissez un nom de fichier en .vcf, .vcard ou .csv.</source>
        <translation>Cannot export to &quot;%1&quot;: choose a file name ending in .vcf, .vcard or .csv.</translation>
    </message>
</context>
<context>
    <name>Csv</name>
    <message>
        <source>la ligne %1 dépasse %2 Mo</source>
        <extracomment>Why a file can&apos;t be imported: %1 a line number, %2 a size in megabytes.</extracomment>
        <translation>line %1 is larger than %2 MB</translation>
    </message>
    <message>
        <source>guillemet ouvert à la ligne %1 et jamais refermé</source>
        <translation>quote opened on line %1 and never closed</translation>
    </message>
    <message>
        <source>texte après un guillemet fermant à la ligne %1</source>
        <translation>text after a closing quote on line %1</translation>
    </message>
    <message>
        <source>plus de %1 colonnes à la ligne %2</source>
        <translation>more than %1 columns on line %2</translation>
    </message>
</context>
<context>
    <name>FileLocations</name>
    <message>
        <source>Impossible d&apos;obtenir le répertoire de l&apos;application (%1).</source>
        <translation>Cannot find the program&apos;s folder (%1).</translation>
    </message>
</context>
<context>
    <name>HistoryExport</name>
    <message>
        <source>Impossible de lire le journal des appels « %1 » : %2.</source>
        <extracomment>%1 is the call log&apos;s path, %2 the system&apos;s reason.</extracomment>
        <translation>Cannot read the call log &quot;%1&quot;: %2.</translation>
    </message>
</context>
<context>
    <name>ImportProgress</name>
    <message>
        <source>importation annulée</source>
        <translation>import cancelled</translation>
    </message>
</context>
<context>
    <name>ImportText</name>
    <message>
        <source>le fichier n&apos;est pas un texte UTF-16 valable</source>
        <translation>the file is no valid UTF-16 text</translation>
    </message>
    <message>
        <source>le fichier contient des données binaires</source>
        <translation>the file holds binary data</translation>
    </message>
    <message>
        <source>plus de %1 contacts et numéros dans le fichier</source>
        <translation>more than %1 contacts and numbers in the file</translation>
    </message>
</context>
<context>
    <name>LineTexts</name>
    <message>
        <source>nouvel essai dans %1 s</source>
        <extracomment>When a line is tried again; %1 counts down the seconds.</extracomment>
        <translation>next try in %1 s</translation>
    </message>
    <message>
        <source>nouvel essai en cours</source>
        <translation>trying again now</translation>
    </message>
    <message>
        <source>courtier MQTT refusé, %1</source>
        <extracomment>The tray&apos;s tip; %1 is &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>MQTT broker refused, %1</translation>
    </message>
    <message>
        <source>courtier MQTT injoignable, %1</source>
        <translation>MQTT broker unreachable, %1</translation>
    </message>
    <message>
        <source>courtier MQTT : adresse invalide</source>
        <translation>MQTT broker: invalid address</translation>
    </message>
    <message>
        <source>courtier MQTT arrêté</source>
        <translation>MQTT broker stopped</translation>
    </message>
    <message>
        <source>ligne CAPI perdue, %1</source>
        <translation>CAPI line lost, %1</translation>
    </message>
    <message>
        <source>moniteur d&apos;appels refusé, %1</source>
        <translation>call monitor refused, %1</translation>
    </message>
    <message>
        <source>moniteur d&apos;appels injoignable, %1</source>
        <translation>call monitor unreachable, %1</translation>
    </message>
    <message>
        <source>moniteur d&apos;appels : adresse invalide</source>
        <translation>call monitor: invalid address</translation>
    </message>
    <message>
        <source>moniteur d&apos;appels arrêté</source>
        <translation>call monitor stopped</translation>
    </message>
    <message>
        <source>Connectée, 1 contrôleur</source>
        <extracomment>The CAPI line&apos;s state (la ligne: feminine in French).</extracomment>
        <translation>Connected, 1 controller</translation>
    </message>
    <message>
        <source>Connectée, %1 contrôleurs</source>
        <translation>Connected, %1 controllers</translation>
    </message>
    <message>
        <source>Perdue, %1</source>
        <extracomment>The CAPI line&apos;s state; %1 is &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>Lost, %1</translation>
    </message>
    <message>
        <source>Absente, %1</source>
        <extracomment>The CAPI line&apos;s state: no driver; %1 is &quot;nouvel essai dans 30 s&quot;.</extracomment>
        <translation>Absent, %1</translation>
    </message>
    <message>
        <source>Connexion au driver...</source>
        <translation>Connecting to the driver...</translation>
    </message>
    <message>
        <source>Absente</source>
        <extracomment>The CAPI line&apos;s state: no driver.</extracomment>
        <translation>Absent</translation>
    </message>
    <message>
        <source>Connexion à %1...</source>
        <extracomment>The call monitor&apos;s or the MQTT broker&apos;s state (le moniteur, le courtier: masculine in French); %1 is its address.</extracomment>
        <translation>Connecting to %1...</translation>
    </message>
    <message>
        <source>Connecté à %1</source>
        <translation>Connected to %1</translation>
    </message>
    <message>
        <source>Refusé par %1, %2</source>
        <extracomment>%1 is the address, %2 &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>Refused by %1, %2</translation>
    </message>
    <message>
        <source>Injoignable (%1), %2</source>
        <extracomment>%1 is the address, %2 &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>Unreachable (%1), %2</translation>
    </message>
    <message>
        <source>Adresse invalide : %1</source>
        <translation>Invalid address: %1</translation>
    </message>
    <message>
        <source>Impossible de surveiller %1, pas de nouvel essai</source>
        <translation>Cannot watch %1, no further try</translation>
    </message>
    <message>
        <source>Désactivé</source>
        <extracomment>The call monitor&apos;s or the MQTT broker&apos;s state: no address given.</extracomment>
        <translation>Off</translation>
    </message>
    <message>
        <source>Identifiant ou mot de passe refusé par %1, %2</source>
        <extracomment>%1 is the broker&apos;s address, %2 &quot;nouvel essai dans 30 s&quot; or &quot;nouvel essai en cours&quot;.</extracomment>
        <translation>User name or password refused by %1, %2</translation>
    </message>
    <message>
        <source>Impossible de joindre %1, pas de nouvel essai</source>
        <translation>Cannot reach %1, no further try</translation>
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
        <translation>Tintorel lines</translation>
    </message>
    <message>
        <source>Ligne CAPI :</source>
        <translation>CAPI line:</translation>
    </message>
    <message>
        <source>Moniteur d&apos;appels :</source>
        <translation>Call monitor:</translation>
    </message>
    <message>
        <source>Activez le moniteur d&apos;appels en composant #96*5* sur un téléphone du routeur.</source>
        <translation>Switch the call monitor on by dialling #96*5* on a phone attached to the router.</translation>
    </message>
    <message>
        <source>Adresse du moniteur :</source>
        <translation>Monitor address:</translation>
    </message>
    <message>
        <source>Appliquer</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>hôte[:port], le port 1012 par défaut ; vide : désactivé</source>
        <translation>host[:port], port 1012 by default; empty: off</translation>
    </message>
    <message>
        <source>Courtier MQTT :</source>
        <translation>MQTT broker:</translation>
    </message>
    <message>
        <source>Adresse du courtier :</source>
        <translation>Broker address:</translation>
    </message>
    <message>
        <source>mqtt[s]://[utilisateur:mot de passe@]hôte[:port][/préfixe] ; vide : désactivé</source>
        <translation>mqtt[s]://[user:password@]host[:port][/prefix]; empty: off</translation>
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
        <translation>Cannot create the pipe. LastError: %1</translation>
    </message>
    <message>
        <source>Erreur : pipe déjà existant.</source>
        <translation>Error: the pipe exists already.</translation>
    </message>
</context>
<context>
    <name>LookupWords</name>
    <message>
        <source>Inconnu</source>
        <extracomment>Shown in place of a caller&apos;s name or number; the files keep the French words.</extracomment>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Erreur</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Pas de connection</source>
        <translation>No connection</translation>
    </message>
    <message>
        <source>Recherche...</source>
        <translation>Looking up...</translation>
    </message>
    <message>
        <source>Anonyme</source>
        <translation>Withheld</translation>
    </message>
</context>
<context>
    <name>NumberActions</name>
    <message>
        <source>Copier le numéro</source>
        <translation>Copy number</translation>
    </message>
    <message>
        <source>Ne plus ignorer ce numéro</source>
        <translation>Stop ignoring this number</translation>
    </message>
    <message>
        <source>Ignorer ce numéro</source>
        <translation>Ignore this number</translation>
    </message>
    <message>
        <source>Ce numéro contient des caractères qui ne font pas partie d&apos;un numéro de téléphone. Il n&apos;a pas été enregistré.</source>
        <translation>This number holds characters that are no part of a phone number. It was not stored.</translation>
    </message>
    <message>
        <source>Erreur lors de l&apos;écriture des paramètres !!</source>
        <translation>Error while writing the settings!</translation>
    </message>
</context>
<context>
    <name>NumbersPanel</name>
    <message>
        <source>Numéros appelés :</source>
        <translation>Called numbers:</translation>
    </message>
    <message>
        <source>Supprimer</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Numéro :</source>
        <translation>Number:</translation>
    </message>
    <message>
        <source>Nom :</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Modifier</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Ajouter</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Numéros ignorés :</source>
        <translation>Ignored numbers:</translation>
    </message>
    <message>
        <source>un numéro, un début de numéro suivi de *, ou Anonyme</source>
        <translation>a number, the start of a number followed by *, or Withheld</translation>
    </message>
</context>
<context>
    <name>Phonebook</name>
    <message>
        <source>Erreur lors de la lecture de l&apos;annuaire !!</source>
        <translation>Error while reading the phonebook!</translation>
    </message>
    <message>
        <source>Erreur lors de l&apos;ecriture de l&apos;annuaire !!</source>
        <translation>Error while writing the phonebook!</translation>
    </message>
</context>
<context>
    <name>PhonebookDlg140</name>
    <message>
        <source>Annuaire</source>
        <translation>Phonebook</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Numéro :</source>
        <translation>Number:</translation>
    </message>
    <message>
        <source>Nom :</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Modifier</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Rétablir</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Supprimer</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Rechercher</source>
        <translation>Look up</translation>
    </message>
    <message>
        <source>Nouveau numéro</source>
        <translation>New number</translation>
    </message>
    <message>
        <source>Importer...</source>
        <translation>Import...</translation>
    </message>
    <message>
        <source>Exporter...</source>
        <translation>Export...</translation>
    </message>
</context>
<context>
    <name>RunningCopy</name>
    <message>
        <source>Tintorel ne tourne pas.</source>
        <translation>Tintorel is not running.</translation>
    </message>
    <message>
        <source>Tintorel ne répond pas.</source>
        <translation>Tintorel does not answer.</translation>
    </message>
    <message>
        <source>Tintorel n&apos;a pas compris la demande.</source>
        <translation>Tintorel did not understand the request.</translation>
    </message>
</context>
<context>
    <name>TransferFile</name>
    <message>
        <source>Impossible de lire « %1 » : %2.</source>
        <extracomment>%1 is a file&apos;s path, %2 why it can&apos;t be read.</extracomment>
        <translation>Cannot read &quot;%1&quot;: %2.</translation>
    </message>
    <message>
        <source>c&apos;est un dossier</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>Impossible d&apos;importer « %1 » : le fichier dépasse %2 Mo.</source>
        <extracomment>%1 is a file&apos;s path, %2 a size in megabytes.</extracomment>
        <translation>Cannot import &quot;%1&quot;: the file is larger than %2 MB.</translation>
    </message>
    <message>
        <source>Impossible d&apos;écrire « %1 » : %2.</source>
        <extracomment>%1 is a file&apos;s path, %2 why it can&apos;t be written.</extracomment>
        <translation>Cannot write &quot;%1&quot;: %2.</translation>
    </message>
</context>
<context>
    <name>UnknownNumbers</name>
    <message>
        <source>Erreur lors de l&apos;écriture des numéros inconnus !!</source>
        <translation>Error while writing the unknown numbers!</translation>
    </message>
</context>
<context>
    <name>VCard</name>
    <message>
        <source>la ligne %1 dépasse %2 Mo</source>
        <extracomment>Why a file can&apos;t be imported: %1 a line number, %2 a size in megabytes.</extracomment>
        <translation>line %1 is larger than %2 MB</translation>
    </message>
    <message>
        <source>fiche %1</source>
        <extracomment>Where a contact stands in a vCard file: its card&apos;s number.</extracomment>
        <translation>card %1</translation>
    </message>
    <message>
        <source>la fiche %1 n&apos;est pas terminée (END:VCARD manquant)</source>
        <translation>card %1 is not finished (END:VCARD missing)</translation>
    </message>
    <message>
        <source>aucune fiche vCard (BEGIN:VCARD) dans le fichier</source>
        <translation>no vCard (BEGIN:VCARD) in the file</translation>
    </message>
</context>
</TS>
