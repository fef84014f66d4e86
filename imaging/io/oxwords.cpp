// The dialog word table: built-in captions of the ten message languages and the lookup rule.
#include "imaging/io/oxwords.h"

#include <array>
#include <atomic>
#include <string_view>

namespace ox {
namespace {

using TBlock = std::array<const char*, kWordCount>;

// Word 103 repeats word 11 in every language; callers ask for either number.
constexpr TBlock kEnglish = {
    /*0*/ "Preview", "Original", "Result", "OK", "Cancel", "Lock preview", "Copy Result to Original", "Contrast",
    "Brightness", "Hue",
    /*10*/ "Saturation", "Value", "Base color", "New color", "Luminosity", "Red", "Green", "Blue", "Filter values",
    "Presets",
    /*20*/ "Divisor", "Load", "Save", "Equalization", "Threshold", "Equalize", "Histogram", "Gray", "Light", "Left",
    /*30*/ "Top", "Width", "Height", "Color", "Original image quantity", "Lens", "Refraction", "Parameters Preview",
    "Quality", "DCT method",
    /*40*/ "Smoothing factor", "Gray scale", "Optimal Huffman", "Original size", "Compressed size", "Advanced",
    "Progressive", "Compression", "Image index", "Photometric",
    /*50*/ "Scanned document info", "Name", "Description", "Page name", "Page number", "of", "Horiz. Position (inch)",
    "Vert. Position (inch)", "Colors", "Transparent",
    /*60*/ "Transparent color", "Interlaced", "Background", "Horiz. Position", "Vert. Position", "Delay time",
    "Filter", "Wave", "Amplitude", "Wave length",
    /*70*/ "Phase", "Reflective", "User filter", "Morphing filters", "Window size", "Maximum", "Minimum", "Opening",
    "Closing", "Rotate",
    /*80*/ "Flip", "Horizontal", "Vertical", "Frequency domain image", "Select the region to clean", "Clear",
    "Reset", "Animate", "Load filter", "Save filter",
    /*90*/ "Bump map", "Print", "Margins", "inches", "Right", "Bottom", "Position", "Size", "Normal", "Fit to page",
    /*100*/ "Stretch to page", "Specified size", "Gamma correction", "Value", "Print Setup", "Left Margin",
    "Top Margin", "Right Margin", "Bottom Margin", "Location/size",
    /*110*/ "Top Left", "Top Center", "Top Right", "Center Left", "Center", "Center Right", "Bottom Left",
    "Bottom Center", "Bottom Right", "Close",
    /*120*/ "Apply"};

constexpr TBlock kItalian = {
    /*0*/ "Anteprima", "Originale", "Risultato", "OK", "Annulla", "Blocca anteprima", "Copia risultato nell'originale",
    "Contrasto", "Luminosità", "Tonalità",
    /*10*/ "Saturazione", "Valore", "Colore base", "Nuovo colore", "Luminanza", "Rosso", "Verde", "Blu",
    "Valori del filtro", "Preimpostazioni",
    /*20*/ "Divisore", "Carica", "Salva", "Equalizzazione", "Soglia", "Equalizza", "Istogramma", "Grigio", "Luce",
    "Sinistra",
    /*30*/ "Alto", "Larghezza", "Altezza", "Colore", "Quantità immagine originale", "Lente", "Rifrazione",
    "Anteprima parametri", "Qualità", "Metodo DCT",
    /*40*/ "Fattore di smussatura", "Scala di grigi", "Huffman ottimale", "Dimensione originale",
    "Dimensione compressa", "Avanzate", "Progressivo", "Compressione", "Indice immagine", "Fotometria",
    /*50*/ "Informazioni documento acquisito", "Nome", "Descrizione", "Nome pagina", "Numero pagina", "di",
    "Posizione orizz. (pollici)", "Posizione vert. (pollici)", "Colori", "Trasparente",
    /*60*/ "Colore trasparente", "Interlacciato", "Sfondo", "Posizione orizz.", "Posizione vert.",
    "Tempo di ritardo", "Filtro", "Onda", "Ampiezza", "Lunghezza d'onda",
    /*70*/ "Fase", "Riflettente", "Filtro utente", "Filtri morfologici", "Dimensione finestra", "Massimo", "Minimo",
    "Apertura", "Chiusura", "Ruota",
    /*80*/ "Capovolgi", "Orizzontale", "Verticale", "Immagine nel dominio della frequenza",
    "Seleziona la regione da pulire", "Cancella", "Ripristina", "Anima", "Carica filtro", "Salva filtro",
    /*90*/ "Mappa di rilievo", "Stampa", "Margini", "pollici", "Destra", "Basso", "Posizione", "Dimensione",
    "Normale", "Adatta alla pagina",
    /*100*/ "Estendi alla pagina", "Dimensione specificata", "Correzione gamma", "Valore", "Imposta stampa",
    "Margine sinistro", "Margine superiore", "Margine destro", "Margine inferiore", "Posizione/dimensione",
    /*110*/ "In alto a sinistra", "In alto al centro", "In alto a destra", "Al centro a sinistra", "Centro",
    "Al centro a destra", "In basso a sinistra", "In basso al centro", "In basso a destra", "Chiudi",
    /*120*/ "Applica"};

constexpr TBlock kGerman = {
    /*0*/ "Vorschau", "Original", "Ergebnis", "OK", "Abbrechen", "Vorschau sperren", "Ergebnis ins Original kopieren",
    "Kontrast", "Helligkeit", "Farbton",
    /*10*/ "Sättigung", "Wert", "Grundfarbe", "Neue Farbe", "Luminanz", "Rot", "Grün", "Blau", "Filterwerte",
    "Vorgaben",
    /*20*/ "Teiler", "Laden", "Speichern", "Ausgleich", "Schwellenwert", "Ausgleichen", "Histogramm", "Grau", "Licht",
    "Links",
    /*30*/ "Oben", "Breite", "Höhe", "Farbe", "Anteil des Originalbilds", "Linse", "Brechung", "Parametervorschau",
    "Qualität", "DCT-Methode",
    /*40*/ "Glättungsfaktor", "Graustufen", "Optimaler Huffman-Code", "Originalgröße", "Komprimierte Größe",
    "Erweitert", "Progressiv", "Komprimierung", "Bildindex", "Photometrie",
    /*50*/ "Angaben zum gescannten Dokument", "Name", "Beschreibung", "Seitenname", "Seitennummer", "von",
    "Horiz. Position (Zoll)", "Vert. Position (Zoll)", "Farben", "Transparent",
    /*60*/ "Transparente Farbe", "Zeilensprung", "Hintergrund", "Horiz. Position", "Vert. Position", "Verzögerung",
    "Filter", "Welle", "Amplitude", "Wellenlänge",
    /*70*/ "Phase", "Spiegelnd", "Benutzerfilter", "Morphologische Filter", "Fenstergröße", "Maximum", "Minimum",
    "Öffnung", "Schließung", "Drehen",
    /*80*/ "Spiegeln", "Horizontal", "Vertikal", "Bild im Frequenzbereich", "Zu bereinigenden Bereich auswählen",
    "Löschen", "Zurücksetzen", "Animieren", "Filter laden", "Filter speichern",
    /*90*/ "Reliefkarte", "Drucken", "Ränder", "Zoll", "Rechts", "Unten", "Position", "Größe", "Normal",
    "An Seite anpassen",
    /*100*/ "Auf Seite strecken", "Angegebene Größe", "Gammakorrektur", "Wert", "Druckeinrichtung", "Linker Rand",
    "Oberer Rand", "Rechter Rand", "Unterer Rand", "Position/Größe",
    /*110*/ "Oben links", "Oben Mitte", "Oben rechts", "Mitte links", "Mitte", "Mitte rechts", "Unten links",
    "Unten Mitte", "Unten rechts", "Schließen",
    /*120*/ "Übernehmen"};

constexpr TBlock kSpanish = {
    /*0*/ "Vista previa", "Original", "Resultado", "Aceptar", "Cancelar", "Bloquear vista previa",
    "Copiar resultado en el original", "Contraste", "Brillo", "Tono",
    /*10*/ "Saturación", "Valor", "Color base", "Color nuevo", "Luminosidad", "Rojo", "Verde", "Azul",
    "Valores del filtro", "Valores predefinidos",
    /*20*/ "Divisor", "Cargar", "Guardar", "Ecualización", "Umbral", "Ecualizar", "Histograma", "Gris", "Luz",
    "Izquierda",
    /*30*/ "Arriba", "Ancho", "Alto", "Color", "Cantidad de imagen original", "Lente", "Refracción",
    "Vista previa de parámetros", "Calidad", "Método DCT",
    /*40*/ "Factor de suavizado", "Escala de grises", "Huffman óptimo", "Tamaño original", "Tamaño comprimido",
    "Avanzado", "Progresivo", "Compresión", "Índice de imagen", "Fotométrica",
    /*50*/ "Información del documento escaneado", "Nombre", "Descripción", "Nombre de página", "Número de página",
    "de", "Posición horiz. (pulgadas)", "Posición vert. (pulgadas)", "Colores", "Transparente",
    /*60*/ "Color transparente", "Entrelazado", "Fondo", "Posición horiz.", "Posición vert.", "Tiempo de retardo",
    "Filtro", "Onda", "Amplitud", "Longitud de onda",
    /*70*/ "Fase", "Reflectante", "Filtro de usuario", "Filtros morfológicos", "Tamaño de ventana", "Máximo",
    "Mínimo", "Apertura", "Cierre", "Girar",
    /*80*/ "Voltear", "Horizontal", "Vertical", "Imagen en el dominio de la frecuencia",
    "Seleccione la región que desea limpiar", "Borrar", "Restablecer", "Animar", "Cargar filtro", "Guardar filtro",
    /*90*/ "Mapa de relieve", "Imprimir", "Márgenes", "pulgadas", "Derecha", "Abajo", "Posición", "Tamaño", "Normal",
    "Ajustar a la página",
    /*100*/ "Estirar a la página", "Tamaño especificado", "Corrección gamma", "Valor", "Configurar impresión",
    "Margen izquierdo", "Margen superior", "Margen derecho", "Margen inferior", "Posición/tamaño",
    /*110*/ "Arriba a la izquierda", "Arriba al centro", "Arriba a la derecha", "Centro a la izquierda", "Centro",
    "Centro a la derecha", "Abajo a la izquierda", "Abajo al centro", "Abajo a la derecha", "Cerrar",
    /*120*/ "Aplicar"};

constexpr TBlock kFrench = {
    /*0*/ "Aperçu", "Original", "Résultat", "OK", "Annuler", "Figer l'aperçu", "Copier le résultat dans l'original",
    "Contraste", "Luminosité", "Teinte",
    /*10*/ "Saturation", "Valeur", "Couleur de base", "Nouvelle couleur", "Luminance", "Rouge", "Vert", "Bleu",
    "Valeurs du filtre", "Préréglages",
    /*20*/ "Diviseur", "Charger", "Enregistrer", "Égalisation", "Seuil", "Égaliser", "Histogramme", "Gris",
    "Lumière", "Gauche",
    /*30*/ "Haut", "Largeur", "Hauteur", "Couleur", "Quantité d'image originale", "Lentille", "Réfraction",
    "Aperçu des paramètres", "Qualité", "Méthode DCT",
    /*40*/ "Facteur de lissage", "Niveaux de gris", "Huffman optimal", "Taille d'origine", "Taille compressée",
    "Avancé", "Progressif", "Compression", "Index de l'image", "Photométrie",
    /*50*/ "Infos du document numérisé", "Nom", "Description", "Nom de la page", "Numéro de page", "sur",
    "Position horiz. (pouces)", "Position vert. (pouces)", "Couleurs", "Transparent",
    /*60*/ "Couleur transparente", "Entrelacé", "Arrière-plan", "Position horiz.", "Position vert.", "Délai",
    "Filtre", "Onde", "Amplitude", "Longueur d'onde",
    /*70*/ "Phase", "Réfléchissant", "Filtre utilisateur", "Filtres morphologiques", "Taille de la fenêtre",
    "Maximum", "Minimum", "Ouverture", "Fermeture", "Pivoter",
    /*80*/ "Retourner", "Horizontal", "Vertical", "Image dans le domaine fréquentiel",
    "Sélectionnez la zone à nettoyer", "Effacer", "Réinitialiser", "Animer", "Charger un filtre",
    "Enregistrer le filtre",
    /*90*/ "Carte de relief", "Imprimer", "Marges", "pouces", "Droite", "Bas", "Position", "Taille", "Normale",
    "Ajuster à la page",
    /*100*/ "Étirer sur la page", "Taille spécifiée", "Correction gamma", "Valeur", "Configuration de l'impression",
    "Marge gauche", "Marge haute", "Marge droite", "Marge basse", "Position/taille",
    /*110*/ "En haut à gauche", "En haut au centre", "En haut à droite", "Au centre à gauche", "Centre",
    "Au centre à droite", "En bas à gauche", "En bas au centre", "En bas à droite", "Fermer",
    /*120*/ "Appliquer"};

constexpr TBlock kPortuguese = {
    /*0*/ "Pré-visualização", "Original", "Resultado", "OK", "Cancelar", "Bloquear pré-visualização",
    "Copiar resultado para o original", "Contraste", "Brilho", "Matiz",
    /*10*/ "Saturação", "Valor", "Cor base", "Nova cor", "Luminosidade", "Vermelho", "Verde", "Azul",
    "Valores do filtro", "Predefinições",
    /*20*/ "Divisor", "Carregar", "Guardar", "Equalização", "Limiar", "Equalizar", "Histograma", "Cinzento", "Luz",
    "Esquerda",
    /*30*/ "Cima", "Largura", "Altura", "Cor", "Quantidade da imagem original", "Lente", "Refração",
    "Pré-visualização dos parâmetros", "Qualidade", "Método DCT",
    /*40*/ "Fator de suavização", "Escala de cinzentos", "Huffman ótimo", "Tamanho original", "Tamanho comprimido",
    "Avançado", "Progressivo", "Compressão", "Índice da imagem", "Fotométrica",
    /*50*/ "Informação do documento digitalizado", "Nome", "Descrição", "Nome da página", "Número da página", "de",
    "Posição horiz. (polegadas)", "Posição vert. (polegadas)", "Cores", "Transparente",
    /*60*/ "Cor transparente", "Entrelaçado", "Fundo", "Posição horiz.", "Posição vert.", "Tempo de atraso",
    "Filtro", "Onda", "Amplitude", "Comprimento de onda",
    /*70*/ "Fase", "Refletor", "Filtro do utilizador", "Filtros morfológicos", "Tamanho da janela", "Máximo",
    "Mínimo", "Abertura", "Fecho", "Rodar",
    /*80*/ "Inverter", "Horizontal", "Vertical", "Imagem no domínio da frequência", "Selecione a região a limpar",
    "Limpar", "Repor", "Animar", "Carregar filtro", "Guardar filtro",
    /*90*/ "Mapa de relevo", "Imprimir", "Margens", "polegadas", "Direita", "Baixo", "Posição", "Tamanho", "Normal",
    "Ajustar à página",
    /*100*/ "Esticar à página", "Tamanho especificado", "Correção gama", "Valor", "Configurar impressão",
    "Margem esquerda", "Margem superior", "Margem direita", "Margem inferior", "Posição/tamanho",
    /*110*/ "Superior esquerdo", "Superior central", "Superior direito", "Centro esquerdo", "Centro",
    "Centro direito", "Inferior esquerdo", "Inferior central", "Inferior direito", "Fechar",
    /*120*/ "Aplicar"};

constexpr TBlock kGreek = {
    /*0*/ "Προεπισκόπηση", "Πρωτότυπο", "Αποτέλεσμα", "Εντάξει", "Άκυρο", "Κλείδωμα προεπισκόπησης",
    "Αντιγραφή αποτελέσματος στο πρωτότυπο", "Αντίθεση", "Φωτεινότητα", "Απόχρωση",
    /*10*/ "Κορεσμός", "Τιμή", "Βασικό χρώμα", "Νέο χρώμα", "Λαμπρότητα", "Κόκκινο", "Πράσινο", "Μπλε",
    "Τιμές φίλτρου", "Προεπιλογές",
    /*20*/ "Διαιρέτης", "Φόρτωση", "Αποθήκευση", "Εξίσωση", "Κατώφλι", "Εφαρμογή εξίσωσης", "Ιστόγραμμα", "Γκρι",
    "Φως", "Αριστερά",
    /*30*/ "Πάνω", "Πλάτος", "Ύψος", "Χρώμα", "Ποσότητα αρχικής εικόνας", "Φακός", "Διάθλαση",
    "Προεπισκόπηση παραμέτρων", "Ποιότητα", "Μέθοδος DCT",
    /*40*/ "Συντελεστής εξομάλυνσης", "Κλίμακα του γκρι", "Βέλτιστο Huffman", "Αρχικό μέγεθος",
    "Συμπιεσμένο μέγεθος", "Για προχωρημένους", "Προοδευτική", "Συμπίεση", "Δείκτης εικόνας", "Φωτομετρία",
    /*50*/ "Πληροφορίες σαρωμένου εγγράφου", "Όνομα", "Περιγραφή", "Όνομα σελίδας", "Αριθμός σελίδας", "από",
    "Οριζ. θέση (ίντσες)", "Κατακ. θέση (ίντσες)", "Χρώματα", "Διαφανές",
    /*60*/ "Διαφανές χρώμα", "Πεπλεγμένο", "Φόντο", "Οριζ. θέση", "Κατακ. θέση", "Χρόνος καθυστέρησης", "Φίλτρο",
    "Κύμα", "Πλάτος κύματος", "Μήκος κύματος",
    /*70*/ "Φάση", "Ανακλαστικό", "Φίλτρο χρήστη", "Μορφολογικά φίλτρα", "Μέγεθος παραθύρου", "Μέγιστο",
    "Ελάχιστο", "Άνοιγμα", "Κλείσιμο", "Περιστροφή",
    /*80*/ "Αναστροφή", "Οριζόντια", "Κατακόρυφα", "Εικόνα στο πεδίο συχνοτήτων",
    "Επιλέξτε την περιοχή προς καθαρισμό", "Καθαρισμός", "Επαναφορά", "Κίνηση", "Φόρτωση φίλτρου",
    "Αποθήκευση φίλτρου",
    /*90*/ "Χάρτης ανάγλυφου", "Εκτύπωση", "Περιθώρια", "ίντσες", "Δεξιά", "Κάτω", "Θέση", "Μέγεθος", "Κανονικό",
    "Προσαρμογή στη σελίδα",
    /*100*/ "Επέκταση στη σελίδα", "Καθορισμένο μέγεθος", "Διόρθωση γάμμα", "Τιμή", "Ρύθμιση εκτύπωσης",
    "Αριστερό περιθώριο", "Επάνω περιθώριο", "Δεξί περιθώριο", "Κάτω περιθώριο", "Θέση/μέγεθος",
    /*110*/ "Πάνω αριστερά", "Πάνω στο κέντρο", "Πάνω δεξιά", "Κέντρο αριστερά", "Κέντρο", "Κέντρο δεξιά",
    "Κάτω αριστερά", "Κάτω στο κέντρο", "Κάτω δεξιά", "Κλείσιμο",
    /*120*/ "Εφαρμογή"};

constexpr TBlock kRussian = {
    /*0*/ "Просмотр", "Оригинал", "Результат", "ОК", "Отмена", "Зафиксировать просмотр",
    "Копировать результат в оригинал", "Контраст", "Яркость", "Оттенок",
    /*10*/ "Насыщенность", "Значение", "Базовый цвет", "Новый цвет", "Светлота", "Красный", "Зелёный", "Синий",
    "Значения фильтра", "Предустановки",
    /*20*/ "Делитель", "Загрузить", "Сохранить", "Выравнивание", "Порог", "Выровнять", "Гистограмма", "Серый",
    "Свет", "Слева",
    /*30*/ "Сверху", "Ширина", "Высота", "Цвет", "Доля исходного изображения", "Линза", "Преломление",
    "Просмотр параметров", "Качество", "Метод DCT",
    /*40*/ "Коэффициент сглаживания", "Оттенки серого", "Оптимальный код Хаффмана", "Исходный размер",
    "Размер после сжатия", "Дополнительно", "Прогрессивный", "Сжатие", "Номер изображения", "Фотометрия",
    /*50*/ "Сведения о сканированном документе", "Имя", "Описание", "Имя страницы", "Номер страницы", "из",
    "Гориз. положение (дюймы)", "Верт. положение (дюймы)", "Цвета", "Прозрачный",
    /*60*/ "Прозрачный цвет", "Чересстрочный", "Фон", "Гориз. положение", "Верт. положение", "Задержка", "Фильтр",
    "Волна", "Амплитуда", "Длина волны",
    /*70*/ "Фаза", "Отражающий", "Пользовательский фильтр", "Морфологические фильтры", "Размер окна", "Максимум",
    "Минимум", "Размыкание", "Замыкание", "Повернуть",
    /*80*/ "Отразить", "По горизонтали", "По вертикали", "Изображение в частотной области",
    "Выберите область для очистки", "Очистить", "Сбросить", "Анимировать", "Загрузить фильтр",
    "Сохранить фильтр",
    /*90*/ "Карта рельефа", "Печать", "Поля", "дюймы", "Справа", "Снизу", "Положение", "Размер", "Обычный",
    "По размеру страницы",
    /*100*/ "Растянуть на страницу", "Заданный размер", "Гамма-коррекция", "Значение", "Настройка печати",
    "Левое поле", "Верхнее поле", "Правое поле", "Нижнее поле", "Положение/размер",
    /*110*/ "Вверху слева", "Вверху по центру", "Вверху справа", "По центру слева", "По центру",
    "По центру справа", "Внизу слева", "Внизу по центру", "Внизу справа", "Закрыть",
    /*120*/ "Применить"};

constexpr TBlock kDutch = {
    /*0*/ "Voorbeeld", "Origineel", "Resultaat", "OK", "Annuleren", "Voorbeeld vastzetten",
    "Resultaat naar origineel kopiëren", "Contrast", "Helderheid", "Tint",
    /*10*/ "Verzadiging", "Waarde", "Basiskleur", "Nieuwe kleur", "Lichtsterkte", "Rood", "Groen", "Blauw",
    "Filterwaarden", "Voorinstellingen",
    /*20*/ "Deler", "Laden", "Opslaan", "Egalisatie", "Drempel", "Egaliseren", "Histogram", "Grijs", "Licht",
    "Links",
    /*30*/ "Boven", "Breedte", "Hoogte", "Kleur", "Hoeveelheid originele afbeelding", "Lens", "Breking",
    "Voorbeeld van parameters", "Kwaliteit", "DCT-methode",
    /*40*/ "Afvlakkingsfactor", "Grijstinten", "Optimale Huffman-codering", "Oorspronkelijke grootte",
    "Gecomprimeerde grootte", "Geavanceerd", "Progressief", "Compressie", "Afbeeldingsindex", "Fotometrie",
    /*50*/ "Gegevens gescand document", "Naam", "Beschrijving", "Paginanaam", "Paginanummer", "van",
    "Horiz. positie (inch)", "Vert. positie (inch)", "Kleuren", "Transparant",
    /*60*/ "Transparante kleur", "Geïnterlinieerd", "Achtergrond", "Horiz. positie", "Vert. positie",
    "Vertragingstijd", "Filter", "Golf", "Amplitude", "Golflengte",
    /*70*/ "Fase", "Reflecterend", "Gebruikersfilter", "Morfologische filters", "Venstergrootte", "Maximum",
    "Minimum", "Opening", "Sluiting", "Draaien",
    /*80*/ "Spiegelen", "Horizontaal", "Verticaal", "Afbeelding in het frequentiedomein",
    "Selecteer het gebied dat moet worden opgeschoond", "Wissen", "Herstellen", "Animeren", "Filter laden",
    "Filter opslaan",
    /*90*/ "Reliëfkaart", "Afdrukken", "Marges", "inch", "Rechts", "Onder", "Positie", "Grootte", "Normaal",
    "Aanpassen aan pagina",
    /*100*/ "Uitrekken tot pagina", "Opgegeven grootte", "Gammacorrectie", "Waarde", "Afdrukinstellingen",
    "Linkermarge", "Bovenmarge", "Rechtermarge", "Ondermarge", "Positie/grootte",
    /*110*/ "Linksboven", "Midden boven", "Rechtsboven", "Midden links", "Midden", "Midden rechts", "Linksonder",
    "Midden onder", "Rechtsonder", "Sluiten",
    /*120*/ "Toepassen"};

constexpr TBlock kSwedish = {
    /*0*/ "Förhandsgranskning", "Original", "Resultat", "OK", "Avbryt", "Lås förhandsgranskning",
    "Kopiera resultatet till originalet", "Kontrast", "Ljusstyrka", "Nyans",
    /*10*/ "Mättnad", "Värde", "Grundfärg", "Ny färg", "Luminans", "Röd", "Grön", "Blå", "Filtervärden",
    "Förinställningar",
    /*20*/ "Divisor", "Läs in", "Spara", "Utjämning", "Tröskel", "Utjämna", "Histogram", "Grå", "Ljus", "Vänster",
    /*30*/ "Överkant", "Bredd", "Höjd", "Färg", "Andel originalbild", "Lins", "Brytning",
    "Förhandsgranskning av parametrar", "Kvalitet", "DCT-metod",
    /*40*/ "Utjämningsfaktor", "Gråskala", "Optimal Huffman-kodning", "Originalstorlek", "Komprimerad storlek",
    "Avancerat", "Progressiv", "Komprimering", "Bildindex", "Fotometri",
    /*50*/ "Information om skannat dokument", "Namn", "Beskrivning", "Sidnamn", "Sidnummer", "av",
    "Vågr. position (tum)", "Lodr. position (tum)", "Färger", "Genomskinlig",
    /*60*/ "Genomskinlig färg", "Sammanflätad", "Bakgrund", "Vågr. position", "Lodr. position", "Fördröjning",
    "Filter", "Våg", "Amplitud", "Våglängd",
    /*70*/ "Fas", "Reflekterande", "Användarfilter", "Morfologiska filter", "Fönsterstorlek", "Maximum", "Minimum",
    "Öppning", "Slutning", "Rotera",
    /*80*/ "Vänd", "Vågrät", "Lodrät", "Bild i frekvensdomänen", "Markera området som ska rensas", "Rensa",
    "Återställ", "Animera", "Läs in filter", "Spara filter",
    /*90*/ "Reliefkarta", "Skriv ut", "Marginaler", "tum", "Höger", "Nederkant", "Position", "Storlek", "Normal",
    "Anpassa till sidan",
    /*100*/ "Sträck ut till sidan", "Angiven storlek", "Gammakorrigering", "Värde", "Utskriftsformat",
    "Vänstermarginal", "Övre marginal", "Högermarginal", "Nedre marginal", "Placering/storlek",
    /*110*/ "Överst till vänster", "Överst i mitten", "Överst till höger", "Mitten till vänster", "Mitten",
    "Mitten till höger", "Nederst till vänster", "Nederst i mitten", "Nederst till höger", "Stäng",
    /*120*/ "Verkställ"};

// A short initializer list would leave null slots; refuse it at compile time.
constexpr bool Complete(const TBlock& block) {
  for (const char* w : block)
    if (w == nullptr || *w == 0) return false;
  return std::string_view(block[103]) == block[11];
}
static_assert(Complete(kEnglish) && Complete(kItalian) && Complete(kGerman) && Complete(kSpanish) &&
              Complete(kFrench) && Complete(kPortuguese) && Complete(kGreek) && Complete(kRussian) &&
              Complete(kDutch) && Complete(kSwedish));

// Built-in blocks in language order; msSystem and msUser start empty.
constexpr std::array<const TBlock*, kMsgLanguageCount> kBuiltIn = {
    nullptr,   &kEnglish, &kItalian, &kGerman, &kSpanish, &kFrench,
    &kPortuguese, &kGreek, &kRussian, &kDutch, &kSwedish, nullptr};

using TTable = std::array<std::string, size_t(kMsgLanguageCount) * kWordCount>;

TTable& Table() {
  static TTable table = [] {
    TTable t;
    for (int lang = 0; lang < kMsgLanguageCount; ++lang)
      if (const TBlock* block = kBuiltIn[size_t(lang)])
        for (int n = 0; n < kWordCount; ++n) t[size_t(lang) * kWordCount + size_t(n)] = (*block)[size_t(n)];
    return t;
  }();
  return table;
}

std::atomic<int> systemPrimary{9};

bool InRange(int number, int language) {
  return number >= 0 && number < kWordCount && language >= 0 && language < kMsgLanguageCount;
}

const std::string& Slot(TMsgLanguage language, int number) {
  return Table()[size_t(language) * kWordCount + size_t(number)];
}

}  // namespace

int SystemPrimaryLanguage() { return systemPrimary.load(std::memory_order_relaxed); }
void SetSystemPrimaryLanguage(int primary) { systemPrimary.store(primary, std::memory_order_relaxed); }

TMsgLanguage LanguageOfPrimary(int primary) {
  switch (primary) {
    case 7: return msGerman;
    case 8: return msGreek;
    case 10: return msSpanish;
    case 12: return msFrench;
    case 16: return msItalian;
    case 19: return msDutch;
    case 22: return msPortuguese;
    case 25: return msRussian;
    default: return msEnglish;  // Swedish too: only an explicit choice reaches it
  }
}

void SetWord(TMsgLanguage language, int number, const std::string& text) {
  if (!InRange(number, language)) return;
  Table()[size_t(language) * kWordCount + size_t(number)] = text;
}

std::string GetWord(int number, TMsgLanguage language) {
  if (!InRange(number, language)) return {};
  // The system choice takes its block as it is, even where a slot is empty.
  if (language == msSystem) return Slot(LanguageOfPrimary(SystemPrimaryLanguage()), number);
  const std::string& word = Slot(language, number);
  return word.empty() ? Slot(msEnglish, number) : word;
}

}  // namespace ox
