<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="en">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Vellory Version %1</source>
        <translation>Vellory versión %1</translation>
    </message>
    <message>
        <source>Written by the Vellory developers.
%1</source>
        <translation>Escrito por los desarrolladores de Vellory.
%1</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Acerca de...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>CBitmapButton</name>
    <message>
        <source>Rec</source>
        <extracomment>Lettered on the panel&apos;s record button in a pixel font: at most about 8 letters (50 pixels).</extracomment>
        <translation>Grabar</translation>
    </message>
    <message>
        <source>Stop</source>
        <extracomment>Lettered on the panel&apos;s stop button in a pixel font: at most about 8 letters (50 pixels).</extracomment>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Play</source>
        <extracomment>Lettered on the panel&apos;s play button in a pixel font: at most about 8 letters (50 pixels).</extracomment>
        <translation>Escuchar</translation>
    </message>
    <message>
        <source>File Manager</source>
        <extracomment>Lettered on the panel&apos;s button that opens the recordings manager: at most about 14 letters (89 pixels).</extracomment>
        <translation>Archivos</translation>
    </message>
    <message>
        <source>Power</source>
        <extracomment>Lettered on the panel&apos;s button that ends the program: at most about 8 letters (50 pixels).</extracomment>
        <translation>Apagar</translation>
    </message>
    <message>
        <source>Options</source>
        <extracomment>Lettered on the panel&apos;s button that chooses the recording format: at most about 8 letters (50 pixels).</extracomment>
        <translation>Opciones</translation>
    </message>
</context>
<context>
    <name>CDisplayPanel</name>
    <message>
        <source>Recording</source>
        <translation>Grabando</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>En pausa</translation>
    </message>
    <message>
        <source>Playing</source>
        <translation>Reproduciendo</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Detenido</translation>
    </message>
    <message>
        <source>%1, %2, category %3</source>
        <translation>%1, %2, categoría %3</translation>
    </message>
    <message>
        <source>%1, %2, category %3, file %4</source>
        <translation>%1, %2, categoría %3, archivo %4</translation>
    </message>
    <message>
        <source>No input</source>
        <translation>Sin señal</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>quedan %1</translation>
    </message>
    <message>
        <source>%1. No sound from the input</source>
        <translation>%1. No llega sonido de la entrada</translation>
    </message>
</context>
<context>
    <name>CFileListModel</name>
    <message>
        <source>File name</source>
        <translation>Nombre de archivo</translation>
    </message>
    <message>
        <source>Media size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>File date</source>
        <translation>Fecha</translation>
    </message>
    <message>
        <source>File time</source>
        <translation>Hora</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>Frecuencia</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canales</translation>
    </message>
    <message>
        <source>Sample Rate</source>
        <translation>Muestreo</translation>
    </message>
    <message>
        <source>Bits</source>
        <translation>Bits</translation>
    </message>
    <message>
        <source>The data rate: kilobytes per second of the file&apos;s audio</source>
        <translation>La tasa de datos: kilobytes por segundo del audio del archivo</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Duración</translation>
    </message>
    <message>
        <source>How long the recording plays: minutes and seconds, or hours, minutes and seconds</source>
        <translation>Cuánto dura la grabación: minutos y segundos, u horas, minutos y segundos</translation>
    </message>
</context>
<context>
    <name>CFileManagerDlg</name>
    <message>
        <source>The recording is in progress.</source>
        <translation>La grabación está en curso.</translation>
    </message>
    <message>
        <source>Error number %1.</source>
        <translation>Error número %1.</translation>
    </message>
    <message>
        <source>Unable to delete file..
%1</source>
        <translation>No se puede eliminar el archivo.
%1</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Eliminar</translation>
    </message>
    <message>
        <source>My Voice Files (Vellory)</source>
        <translation>Mis grabaciones de voz (Vellory)</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Categorías</translation>
    </message>
    <message>
        <source>The category whose recordings are listed</source>
        <translation>La categoría cuyas grabaciones se muestran</translation>
    </message>
    <message>
        <source>Recordings</source>
        <translation>Grabaciones</translation>
    </message>
    <message>
        <source>Enter opens the selected recording, Delete moves it to the trash, F2 renames it</source>
        <translation>Intro abre la grabación seleccionada, Supr la mueve a la papelera, F2 le cambia el nombre</translation>
    </message>
    <message>
        <source>Opens the selected recording on the panel</source>
        <translation>Abre la grabación seleccionada en el panel</translation>
    </message>
    <message>
        <source>Closes the recordings manager</source>
        <translation>Cierra el administrador de grabaciones</translation>
    </message>
    <message>
        <source>Moves the selected recording to the trash</source>
        <translation>Mueve la grabación seleccionada a la papelera</translation>
    </message>
    <message>
        <source>Do you really want to delete %1?</source>
        <translation>¿Seguro que quiere eliminar %1?</translation>
    </message>
    <message>
        <source>No trash can take %1: it will be deleted for good.
Do you want to delete it?</source>
        <translation>Ninguna papelera puede recibir %1: se eliminará definitivamente.
¿Quiere eliminarlo?</translation>
    </message>
    <message>
        <source>The name is empty.</source>
        <translation>El nombre está vacío.</translation>
    </message>
    <message>
        <source>A name cannot hold &apos;/&apos;.</source>
        <translation>Un nombre no puede contener «/».</translation>
    </message>
    <message>
        <source>%1 already exists.</source>
        <translation>%1 ya existe.</translation>
    </message>
    <message>
        <source>Unable to rename file..
%1</source>
        <translation>No se puede cambiar el nombre del archivo.
%1</translation>
    </message>
    <message>
        <source>This file could not be read:</source>
        <translation>No se pudo leer este archivo:</translation>
    </message>
    <message>
        <source>These files could not be read:</source>
        <translation>No se pudieron leer estos archivos:</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>and %1 more.</source>
        <translation>y %1 más.</translation>
    </message>
</context>
<context>
    <name>CFormatChooseDlg</name>
    <message>
        <source>Format</source>
        <translation>Formato</translation>
    </message>
    <message>
        <source>The kind of audio coding</source>
        <translation>El tipo de codificación de audio</translation>
    </message>
    <message>
        <source>Attributes</source>
        <translation>Atributos</translation>
    </message>
    <message>
        <source>Sampling rate, bits, channels and data rate</source>
        <translation>Frecuencia de muestreo, bits, canales y tasa de datos</translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation>&amp;Formato:</translation>
    </message>
    <message>
        <source>&amp;Attributes:</source>
        <translation>&amp;Atributos:</translation>
    </message>
    <message>
        <source>The specified handle is invalid.</source>
        <translation>El identificador especificado no es válido.</translation>
    </message>
    <message>
        <source>A suitable driver is not available to provide valid format selections.</source>
        <translation>No hay ningún controlador adecuado que ofrezca formatos válidos.</translation>
    </message>
    <message>
        <source>At least one flag is invalid</source>
        <translation>Al menos un indicador no es válido</translation>
    </message>
    <message>
        <source>At least one parameter is invalid.</source>
        <translation>Al menos un parámetro no es válido.</translation>
    </message>
    <message>
        <source>The buffer identified by the pwfx member of the ACMFORMATCHOOSE structure is too small to contain the selected format.</source>
        <translation>El búfer indicado por el miembro pwfx de la estructura ACMFORMATCHOOSE es demasiado pequeño para el formato seleccionado.</translation>
    </message>
    <message>
        <source>MM ERROR %1</source>
        <translation>ERROR MM %1</translation>
    </message>
    <message>
        <source>Select audio format</source>
        <translation>Seleccionar formato de audio</translation>
    </message>
    <message>
        <source>Does not play in web browsers.</source>
        <translation>No se reproduce en los navegadores web.</translation>
    </message>
</context>
<context>
    <name>CGlobalShortcuts</name>
    <message>
        <source>Record/Stop</source>
        <translation>Grabar/Detener</translation>
    </message>
</context>
<context>
    <name>CRecorderDlg</name>
    <message>
        <source>&amp;About Vellory...</source>
        <translation>&amp;Acerca de Vellory...</translation>
    </message>
    <message>
        <source>Record (Alt+R)</source>
        <translation>Grabar (Alt+R)</translation>
    </message>
    <message>
        <source>Starts a new recording in the category the display shows.</source>
        <translation>Inicia una nueva grabación en la categoría que muestra la pantalla.</translation>
    </message>
    <message>
        <source>Stop (Alt+S)</source>
        <translation>Detener (Alt+S)</translation>
    </message>
    <message>
        <source>Stops the recording or the playback. Ctrl+Space pauses and resumes a recording.</source>
        <translation>Detiene la grabación o la reproducción. Ctrl+Espacio pausa y reanuda una grabación.</translation>
    </message>
    <message>
        <source>Play (Alt+P)</source>
        <translation>Reproducir (Alt+P)</translation>
    </message>
    <message>
        <source>Plays the file the display shows. While playing, Left and Right step 5 seconds and Home goes back to the start.</source>
        <translation>Reproduce el archivo que muestra la pantalla. Durante la reproducción, Izquierda y Derecha saltan 5 segundos e Inicio vuelve al principio.</translation>
    </message>
    <message>
        <source>Recordings manager (Alt+M)</source>
        <translation>Administrador de grabaciones (Alt+M)</translation>
    </message>
    <message>
        <source>Lists, deletes and opens the recordings of a category.</source>
        <translation>Muestra, elimina y abre las grabaciones de una categoría.</translation>
    </message>
    <message>
        <source>Recording format (Alt+O)</source>
        <translation>Formato de grabación (Alt+O)</translation>
    </message>
    <message>
        <source>Chooses the audio format of the next recordings.</source>
        <translation>Elige el formato de audio de las próximas grabaciones.</translation>
    </message>
    <message>
        <source>Power off (Esc)</source>
        <translation>Apagar (Esc)</translation>
    </message>
    <message>
        <source>Ends the program; a recording in progress is finished first.</source>
        <translation>Cierra el programa; antes se termina la grabación en curso.</translation>
    </message>
    <message>
        <source>Minimise</source>
        <translation>Minimizar</translation>
    </message>
    <message>
        <source>Minimises the panel.</source>
        <translation>Minimiza el panel.</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Grabar</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Reproducir</translation>
    </message>
    <message>
        <source>File Manager</source>
        <translation>Administrador de archivos</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opciones</translation>
    </message>
    <message>
        <source>Power</source>
        <translation>Apagar</translation>
    </message>
    <message>
        <source>Key: %1</source>
        <translation>Tecla: %1</translation>
    </message>
    <message>
        <source>Panel menu</source>
        <translation>Menú del panel</translation>
    </message>
    <message>
        <source>&amp;Resume Recording</source>
        <translation>&amp;Reanudar grabación</translation>
    </message>
    <message>
        <source>&amp;Pause Recording</source>
        <translation>&amp;Pausar grabación</translation>
    </message>
    <message>
        <source>&amp;Hide Window</source>
        <translation>&amp;Ocultar ventana</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Configuración</translation>
    </message>
    <message>
        <source>&amp;About Program</source>
        <translation>&amp;Acerca del programa</translation>
    </message>
    <message>
        <source>Select audio format</source>
        <translation>Seleccionar formato de audio</translation>
    </message>
</context>
<context>
    <name>CRecorderSession</name>
    <message>
        <source>Unknown timer reached!</source>
        <translation>¡Se alcanzó un temporizador desconocido!</translation>
    </message>
    <message>
        <source>The chosen input device is not available. Recording from the default input.</source>
        <translation>El dispositivo de entrada elegido no está disponible. Se graba desde la entrada predeterminada.</translation>
    </message>
    <message>
        <source>The recording could not be finished because the file could not be written:
%1</source>
        <translation>No se pudo terminar la grabación porque no se pudo escribir el archivo:
%1</translation>
    </message>
    <message>
        <source>The recording was stopped because the file could not be written:
%1</source>
        <translation>La grabación se detuvo porque no se pudo escribir el archivo:
%1</translation>
    </message>
    <message>
        <source>The recording was stopped because there was not enough memory.</source>
        <translation>La grabación se detuvo porque no había suficiente memoria.</translation>
    </message>
    <message>
        <source>The recording was stopped because the file reached the largest size a WAV file can hold.</source>
        <translation>La grabación se detuvo porque el archivo alcanzó el tamaño máximo de un archivo WAV.</translation>
    </message>
    <message>
        <source>Sorry, your system too slow to recording in selected format.</source>
        <translation>Lo sentimos, su sistema es demasiado lento para grabar en el formato seleccionado.</translation>
    </message>
    <message>
        <source>The recording was stopped because the sound input went away.
What was recorded until then is saved.</source>
        <translation>La grabación se detuvo porque la entrada de sonido desapareció.
Lo grabado hasta entonces está guardado.</translation>
    </message>
    <message>
        <source>The path of this file is too long to be played:
%1</source>
        <translation>La ruta de este archivo es demasiado larga para reproducirlo:
%1</translation>
    </message>
    <message>
        <source>There is room on the disk for only about %1 min of recording in this format.

Record anyway?</source>
        <translation>En el disco solo queda espacio para unos %1 min de grabación en este formato.

¿Grabar de todos modos?</translation>
    </message>
    <message>
        <source>There is room on the disk for less than a minute of recording in this format.

Record anyway?</source>
        <translation>En el disco queda espacio para menos de un minuto de grabación en este formato.

¿Grabar de todos modos?</translation>
    </message>
</context>
<context>
    <name>CRemoteControl</name>
    <message>
        <source>The panel is closing.</source>
        <translation>El panel se está cerrando.</translation>
    </message>
    <message>
        <source>A recording is already running.</source>
        <translation>Ya hay una grabación en curso.</translation>
    </message>
    <message>
        <source>Recording is not possible now; stop the playback first.</source>
        <translation>Ahora no se puede grabar; detenga primero la reproducción.</translation>
    </message>
    <message>
        <source>The recording could not be started.</source>
        <translation>No se pudo iniciar la grabación.</translation>
    </message>
    <message>
        <source>Nothing is being recorded or played.</source>
        <translation>No se está grabando ni reproduciendo nada.</translation>
    </message>
    <message>
        <source>Nothing is being recorded.</source>
        <translation>No se está grabando nada.</translation>
    </message>
    <message>
        <source>The recording is already paused.</source>
        <translation>La grabación ya está en pausa.</translation>
    </message>
    <message>
        <source>The recording could not be paused.</source>
        <translation>No se pudo pausar la grabación.</translation>
    </message>
    <message>
        <source>The recording is not paused.</source>
        <translation>La grabación no está en pausa.</translation>
    </message>
    <message>
        <source>The recording could not be resumed.</source>
        <translation>No se pudo reanudar la grabación.</translation>
    </message>
    <message>
        <source>A recording is running; stop it first.</source>
        <translation>Hay una grabación en curso; deténgala primero.</translation>
    </message>
    <message>
        <source>The file is already playing.</source>
        <translation>El archivo ya se está reproduciendo.</translation>
    </message>
    <message>
        <source>There is no file to play.</source>
        <translation>No hay ningún archivo que reproducir.</translation>
    </message>
    <message>
        <source>The file could not be played.</source>
        <translation>No se pudo reproducir el archivo.</translation>
    </message>
</context>
<context>
    <name>CSettingsDlg</name>
    <message>
        <source>&amp;Browse…</source>
        <translation>&amp;Examinar…</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Configuración</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>File manager path</source>
        <translation>Ruta del administrador</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Examinar</translation>
    </message>
    <message>
        <source>Choose the folder of the recordings</source>
        <translation>Elegir la carpeta de las grabaciones</translation>
    </message>
    <message>
        <source>Record buffer size</source>
        <translation>Búfer de grabación</translation>
    </message>
    <message>
        <source>&amp;Input device</source>
        <translation>&amp;Dispositivo de entrada</translation>
    </message>
    <message>
        <source>Input device</source>
        <translation>Dispositivo de entrada</translation>
    </message>
    <message>
        <source>The input that recordings are taken from</source>
        <translation>La entrada desde la que se graba</translation>
    </message>
    <message>
        <source>Monitor of %1</source>
        <translation>Monitor de %1</translation>
    </message>
    <message>
        <source>Default input</source>
        <translation>Entrada predeterminada</translation>
    </message>
    <message>
        <source>Recordings folder</source>
        <translation>Carpeta de grabaciones</translation>
    </message>
    <message>
        <source>The recordings folder must be a full path, starting with / or ~.</source>
        <translation>La carpeta de grabaciones debe ser una ruta completa que empiece por / o ~.</translation>
    </message>
    <message>
        <source>The recordings folder %1 cannot be created:
%2</source>
        <translation>No se puede crear la carpeta de grabaciones %1:
%2</translation>
    </message>
    <message>
        <source>%1 (not available)</source>
        <translation>%1 (no disponible)</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>Introduzca un número entero.</translation>
    </message>
    <message>
        <source>Stop &amp;after</source>
        <translation>Detener de&amp;spués de</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Desactivado</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Stop after</source>
        <translation>Detener después de</translation>
    </message>
    <message>
        <source>Minutes after which a recording ends by itself; Off records until Stop</source>
        <translation>Minutos tras los que una grabación termina sola; con «Desactivado» graba hasta Detener</translation>
    </message>
</context>
<context>
    <name>CSingleInstance</name>
    <message>
        <source>This panel takes commands from its own user only.</source>
        <translation>Este panel solo acepta órdenes de su propio usuario.</translation>
    </message>
    <message>
        <source>Unknown request; the running panel may be of another version.</source>
        <translation>Solicitud desconocida; puede que el panel abierto sea de otra versión.</translation>
    </message>
    <message>
        <source>The panel is not ready for commands yet.</source>
        <translation>El panel aún no está listo para recibir órdenes.</translation>
    </message>
</context>
<context>
    <name>CSleepInhibitor</name>
    <message>
        <source>Recording audio</source>
        <translation>Grabando audio</translation>
    </message>
</context>
<context>
    <name>Category</name>
    <message>
        <source>New</source>
        <translation>Nuevo</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Casa</translation>
    </message>
    <message>
        <source>Work</source>
        <translation>Trabajo</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>Personal</translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <source>The specified handle is invalid.</source>
        <translation>El identificador especificado no es válido.</translation>
    </message>
    <message>
        <source>The system is unable to allocate resources.</source>
        <translation>El sistema no puede asignar recursos.</translation>
    </message>
    <message>
        <source>At least one flag is invalid.</source>
        <translation>Al menos un indicador no es válido.</translation>
    </message>
    <message>
        <source>At least one parameter is invalid.</source>
        <translation>Al menos un parámetro no es válido.</translation>
    </message>
    <message>
        <source>The requested operation cannot be performed.</source>
        <translation>No se puede realizar la operación solicitada.</translation>
    </message>
    <message>
        <source>The audio codec library could not be loaded.</source>
        <translation>No se pudo cargar la biblioteca de códecs de audio.</translation>
    </message>
    <message>
        <source>CWavFile::Create
Error while writing .wav file</source>
        <translation>CWavFile::Create
Error al escribir el archivo .wav</translation>
    </message>
    <message>
        <source>The directory specification is incorrect.</source>
        <translation>La especificación del directorio es incorrecta.</translation>
    </message>
    <message>
        <source>The file is protected and cannot be opened.</source>
        <translation>El archivo está protegido y no se puede abrir.</translation>
    </message>
    <message>
        <source>The file is being used by another application and is unavailable.</source>
        <translation>Otra aplicación está usando el archivo y no está disponible.</translation>
    </message>
    <message>
        <source>The network is not responding to the request to open a remote file.</source>
        <translation>La red no responde a la solicitud de abrir un archivo remoto.</translation>
    </message>
    <message>
        <source>The number of files simultaneously open is at a maximum level. The system has run out of available file handles.</source>
        <translation>Se alcanzó el número máximo de archivos abiertos a la vez. El sistema no tiene más identificadores de archivo disponibles.</translation>
    </message>
    <message>
        <source>Another failure condition occurred. This is the default error for an open-file failure.</source>
        <translation>Se produjo otro error. Es el error predeterminado cuando no se puede abrir un archivo.</translation>
    </message>
    <message>
        <source>Specified device identifier is out of range.</source>
        <translation>El identificador de dispositivo especificado está fuera de rango.</translation>
    </message>
    <message>
        <source>Specified resource is already allocated.</source>
        <translation>El recurso especificado ya está asignado.</translation>
    </message>
    <message>
        <source>Specified device handle is invalid.</source>
        <translation>El identificador de dispositivo especificado no es válido.</translation>
    </message>
    <message>
        <source>No device driver is present.</source>
        <translation>No hay ningún controlador de dispositivo.</translation>
    </message>
    <message>
        <source>Unable to allocate or lock memory.</source>
        <translation>No se puede asignar ni bloquear memoria.</translation>
    </message>
    <message>
        <source>invalid parameter passed</source>
        <translation>se pasó un parámetro no válido</translation>
    </message>
    <message>
        <source>Attempted to open with an unsupported waveform-audio format.</source>
        <translation>Se intentó abrir con un formato de audio no compatible.</translation>
    </message>
    <message>
        <source>There are still buffers in the queue.</source>
        <translation>Todavía hay búferes en la cola.</translation>
    </message>
    <message>
        <source>The audio library could not be loaded.</source>
        <translation>No se pudo cargar la biblioteca de audio.</translation>
    </message>
    <message>
        <source>The end of the file (or the end of the parent chunk, if given) was reached before the desired chunk was found.</source>
        <translation>Se llegó al final del archivo (o del bloque padre, si se indicó) antes de encontrar el bloque buscado.</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Memoria insuficiente.</translation>
    </message>
    <message>
        <source>The specified command was carried out.</source>
        <translation>Se ejecutó el comando especificado.</translation>
    </message>
    <message>
        <source>Invalid device ID. Use the ID given to the device when the device was opened.</source>
        <translation>Identificador de dispositivo no válido. Use el identificador que recibió el dispositivo al abrirlo.</translation>
    </message>
    <message>
        <source>The device does not recognize the requested status item.</source>
        <translation>El dispositivo no reconoce el dato de estado solicitado.</translation>
    </message>
    <message>
        <source>There is not enough memory available for this task. Quit one or more applications to increase available memory, and then try again.</source>
        <translation>No hay memoria suficiente para esta tarea. Cierre una o varias aplicaciones para liberar memoria y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The specified command requires a parameter. Please supply one.</source>
        <translation>El comando especificado requiere un parámetro. Indique uno.</translation>
    </message>
    <message>
        <source>The specified file was not found. Make sure the path and filename are correct.</source>
        <translation>No se encontró el archivo especificado. Compruebe que la ruta y el nombre del archivo son correctos.</translation>
    </message>
    <message>
        <source>An internal error occurred in the playback device.</source>
        <translation>Se produjo un error interno en el dispositivo de reproducción.</translation>
    </message>
    <message>
        <source>The specified position is beyond the end of the file.</source>
        <translation>La posición especificada está más allá del final del archivo.</translation>
    </message>
    <message>
        <source>The file cannot be played on the specified device. The file may be damaged, or not in a format the device can play.</source>
        <translation>El archivo no se puede reproducir en el dispositivo especificado. Puede estar dañado o en un formato que el dispositivo no puede reproducir.</translation>
    </message>
    <message>
        <source>No sound output is available to play the file. Make sure the sound server is running, and then try again.</source>
        <translation>No hay ninguna salida de sonido disponible para reproducir el archivo. Compruebe que el servidor de sonido está en marcha y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The specified file cannot be read. Make sure you are allowed to read it.</source>
        <translation>No se puede leer el archivo especificado. Compruebe que tiene permiso para leerlo.</translation>
    </message>
    <message>
        <source>A library the playback device needs cannot be loaded.</source>
        <translation>No se puede cargar una biblioteca que necesita el dispositivo de reproducción.</translation>
    </message>
    <message>
        <source>Unable to create file

%1
%2</source>
        <translation>No se puede crear el archivo

%1
%2</translation>
    </message>
    <message>
        <source>Unknown mm file error %1</source>
        <translation>Error de archivo MM desconocido %1</translation>
    </message>
    <message>
        <source>An error open WAVE_MAPPER device, code=%1</source>
        <translation>Error al abrir el dispositivo WAVE_MAPPER, código=%1</translation>
    </message>
    <message>
        <source>Unknown playback error %1.</source>
        <translation>Error de reproducción desconocido %1.</translation>
    </message>
    <message>
        <source>The audio codec library %1 could not be loaded: %2.
Install the package %3 and try again.</source>
        <translation>No se pudo cargar la biblioteca de códecs de audio %1: %2.
Instale el paquete %3 y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The sound server library %1 could not be loaded: %2.
Install the package %3 and try again.</source>
        <translation>No se pudo cargar la biblioteca del servidor de sonido %1: %2.
Instale el paquete %3 y vuelva a intentarlo.</translation>
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
        <translation>CCITT ley A</translation>
    </message>
    <message>
        <source>CCITT u-Law</source>
        <translation>CCITT ley µ</translation>
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
        <translation>Formato %1</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Estéreo</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
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
        <translation>%1 canales</translation>
    </message>
    <message>
        <source>%1 KB/s</source>
        <translation>%1 KB/s</translation>
    </message>
    <message>
        <source>The file is too short to hold a sound header.</source>
        <translation>El archivo es demasiado corto para contener una cabecera de audio.</translation>
    </message>
    <message>
        <source>The file is not a RIFF/WAVE file.</source>
        <translation>El archivo no es un archivo RIFF/WAVE.</translation>
    </message>
    <message>
        <source>The file has no format chunk before its audio.</source>
        <translation>El archivo no tiene un bloque de formato antes de su audio.</translation>
    </message>
    <message>
        <source>The file&apos;s format chunk holds figures no sound file has.</source>
        <translation>El bloque de formato del archivo contiene valores que ningún archivo de sonido puede tener.</translation>
    </message>
    <message>
        <source>The file is not an Ogg Opus file.</source>
        <translation>El archivo no es un archivo Ogg Opus.</translation>
    </message>
    <message>
        <source>The file is not a FLAC file.</source>
        <translation>El archivo no es un archivo FLAC.</translation>
    </message>
    <message>
        <source>The file is neither a WAV, an Opus nor a FLAC file.</source>
        <translation>El archivo no es ni WAV, ni Opus, ni FLAC.</translation>
    </message>
</context>
</TS>
