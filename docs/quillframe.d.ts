// TypeScript declarations of the QuillFrame script API (libqfjsbinding), so
// that editors can complete and check filter scripts. The guide with every
// detail is docs/scripting.md.
//
// Use: put this file beside your scripts (or name it in a jsconfig.json /
// tsconfig.json with "allowJs" and "checkJs") and add `// @ts-check` at the
// top of a script. The engine has no DOM and no Node.js: compile with
// "lib": ["es2020"] and "types": [].
//
// How the types are chosen:
// - Parameters carry the types a script should pass. The engine itself
//   converts whatever it gets (numbers with ToInt32 or ToNumber, texts with
//   String, flags with the truth test), as the guide describes.
// - A result is `| null` (or `| false`) wherever the host's data decides it:
//   an index out of range, a picture of another type, a refused operation, a
//   picture or document the host did not give. Results that are null only
//   when a script calls a method with too few arguments are typed without
//   null, since the declarations require those arguments anyway; so are the
//   Bitmap pixel reads, which give null only after the script itself has
//   switched the clip option "Bitmap.GetPixel.Clip" off.
// - Read-only members are `readonly`. Assigning to them in a script is
//   ignored by the engine.
// - The classes are not globals: a script reaches their objects only through
//   the globals below. Every access makes a new object, so compare objects
//   with Equals, never with ===.

// ---------------------------------------------------------------------------
// Core globals (both versions)
// ---------------------------------------------------------------------------

/** The script's result code: 0 success, positive a failure, negative "cancelled"; kept between runs of a filter. */
declare var Result: number;

/** Text reported with a positive Result; kept between runs of a filter. */
declare var ErrorMessage: string;

/** The script's parameters from the host: 256 texts (UserParam[0] to UserParam[255]); null beyond them. */
declare const UserParam: UserParamList;

/** The 256 user parameters; writable, an index beyond 255 reads null and ignores writes. */
interface UserParamList {
    [index: number]: string | null;
}

/** Selects the API version whose result the host takes: 7 (the default) or 8; throws "SetVersion() : Invalid version" for other values. */
declare function SetVersion(version: 7 | 8 | "7" | "8"): boolean;

/** Shows the texts of all arguments, joined without separators, as one message of the host. */
declare function MessageBox(...values: unknown[]): void;

/** The same as MessageBox: shows the joined texts of all arguments as one message. */
declare function Print(...values: unknown[]): void;

/** Reports progress (done of total) to the host; false means the host wants the script to stop (or has no progress display). */
declare function SetProgress(done: number, total: number): boolean;

/** Shows a text in the host's status line. */
declare function SetStatus(text: string): void;

/** Accepted for older scripts; converts its arguments and does nothing else. */
declare function SetProcessOption(key: string, value: unknown): void;

/** ToInt32(value) limited to min..max (the upper bound first, so min wins when min > max). */
declare function ValueClip(value: number, min: number, max: number): number;

/** ToInt32(value) limited to 0..255. */
declare function ByteClip(value: number): number;

/** Ends the script at once (also inside try/catch); with a code, sets Result to it first. */
declare function Quit(code?: number): never;

// ---------------------------------------------------------------------------
// Version 8: ready-made objects and global functions
// ---------------------------------------------------------------------------

/** The picture the filter works on. */
declare const SourcePicture: Picture;

/** The picture the host takes as the version 8 result; change it, or assign another Picture. */
declare var ResultPicture: Picture;

/** The document the filter runs in. */
declare const Document: Document;

/** Path arithmetic, special folders and temporary files. */
declare const Path: PathObject;

/** Environment, programs, file management and engine options. */
declare const System: SystemObject;

/** A new bitmap; bitCount and extra are the host's (reference host: 8 index colour with extra palette entries, 24 RGB, 32 RGBA). */
declare function CreateBitmap(width: number, height: number, bitCount: number, extra?: number): Bitmap | null;

/** A new "SINGLE" picture over a new 1x1 24-bit bitmap. */
declare function CreatePicture(): Picture | null;
/** A new "SINGLE" picture over a copy of the bitmap. */
declare function CreatePicture(bitmap: Bitmap): Picture | null;
/** A new "SINGLE" picture over a new bitmap (as CreateBitmap). */
declare function CreatePicture(width: number, height: number, bitCount: number, extra?: number): Picture | null;

/** A new "BITMAP" layer named "Bitmap" over a new bitmap; bitCount 8 or 32 (default 32; 24 counts as 32), others give null. */
declare function CreateBitmapLayer(width: number, height: number, bitCount?: number, extra?: number): Layer | null;

/** A new "BITMAP" layer named "Bitmap" over a copy of the bitmap. */
declare function CreateLayerFromBitmap(bitmap: Bitmap): Layer | null;

/** A new empty "FOLDER" layer named "Folder". */
declare function CreateFolderLayer(): Layer | null;

/** Reads a picture file; options are written with JSON.stringify for the host's reader. */
declare function LoadPicture(path: string, options?: object): Picture | null;

/** Writes a picture (or a bitmap) to a file; options are written with JSON.stringify for the host's writer. */
declare function SavePicture(target: Picture | Bitmap, path: string, options?: object): boolean;

/** Reads a text file: a byte-order mark decides the encoding, else codePage (an ICU name, default "utf8"); carriage returns removed. */
declare function LoadTextFile(path: string, codePage?: string): string | null;

/** Reads a file's bytes. */
declare function LoadBinaryFile(path: string): Uint8Array | null;

/** Writes (or appends) a text; encoding "utf8" (default, with mark), "utf8n", "utf16[le|be]", "utf32[le|be]" or an ICU name. */
declare function SaveTextFile(path: string, text: string | null, append?: boolean, encoding?: string): boolean;

/** Writes (or appends) the bytes a Uint8Array covers. */
declare function SaveBinaryFile(path: string, data: Uint8Array, append?: boolean): boolean;

// ---------------------------------------------------------------------------
// Version 8 classes
// ---------------------------------------------------------------------------

/** Picture types of the host ("SINGLE", "LAYER", "ANIMATION"); other texts are the host's business. */
type PictureType = "SINGLE" | "LAYER" | "ANIMATION";

/** Layer types of the host ("FOLDER", "BITMAP"). */
type LayerType = "FOLDER" | "BITMAP";

/** A picture: one bitmap ("SINGLE"), a layer tree ("LAYER") or animation frames ("ANIMATION"). Members read null when the host gave no picture. */
interface Picture {
    /** "SINGLE", "LAYER" or "ANIMATION"; assigning a type word (any case) asks the host to convert the picture. */
    get Type(): PictureType | (string & {}) | null;
    set Type(value: PictureType | (string & {}));
    /** The picture's bitmap, or null; assigning a Bitmap gives the picture that bitmap. */
    get Bitmap(): Bitmap | null;
    set Bitmap(value: Bitmap);
    /** Canvas width; assignments count on "LAYER" and "ANIMATION" pictures only. */
    get CanvasWidth(): number | null;
    set CanvasWidth(value: number);
    /** Canvas height; assignments count on "LAYER" and "ANIMATION" pictures only. */
    get CanvasHeight(): number | null;
    set CanvasHeight(value: number);
    /** Number of frames of an "ANIMATION" picture; null for the other types. */
    readonly AniFrameCount: number | null;
    /** Number of top-level layers of a "LAYER" picture; null for the other types. */
    readonly LayerCount: number | null;
    /** The current layer of a "LAYER" picture, or null. */
    readonly CurrentLayer: Layer | null;
    /** The current frame of an "ANIMATION" picture, or null. */
    readonly CurrentAniFrame: AniFrame | null;
    /** True when the type is "LAYER". */
    readonly IsLayer: boolean | null;
    /** True when the type is "SINGLE". */
    readonly IsSingle: boolean | null;
    /** True when the type is "ANIMATION". */
    readonly IsAnimation: boolean | null;
    /** The picture's mipmap level. */
    readonly MipmapLevel: number | null;
    /** The host's name of the picture's pixel format. */
    readonly PixelType: string | null;

    /** True when the host says other is the same picture or one with equal content. */
    Equals(other: Picture): boolean;
    /** The host's description of the picture as JSON text (read it with JSON.parse). */
    Jsonize(): string | null;
    /** A copy of the picture with its layers, frames and bitmaps. */
    Duplicate(): Picture | null;
    /** Top-level layer index of a "LAYER" picture. */
    GetLayer(index: number): Layer | null;
    /** Adds a layer on top of the top-level layers. */
    AddLayer(layer: Layer): boolean;
    /** Inserts a layer at top-level position index. */
    InsertLayer(index: number, layer: Layer): boolean;
    /** Removes top-level layer index. */
    RemoveLayer(index: number): boolean;
    /** The folder that holds layer in this picture; null for a top-level layer. */
    GetParentLayer(layer: Layer): Layer | null;
    /** Frame index of an "ANIMATION" picture. */
    GetAniFrame(index: number): AniFrame | null;
    /** Adds a frame at the end; a frame the host could not add reads null in every member. Null without a host picture. */
    AddAniFrame(): AniFrame | null;
    /** Inserts a frame at index; a frame the host could not add reads null in every member. False without a host picture. */
    InsertAniFrame(index: number): AniFrame | false;
    /** Removes frame index. */
    RemoveAniFrame(index: number): boolean;
    /** The bitmap of mipmap level level. */
    GetMipmap(level: number): Bitmap | null;
    /** Runs the host's filter name on a copy (settings written with JSON.stringify); the filtered picture. */
    ApplyFilter(name: string, settings?: object): Picture | null;
}

/** The document the filter runs in. Members read null when the host gave no document. */
interface Document {
    /** The document's file path, backslashes turned into forward slashes. */
    readonly FilePath: string | null;
    /** A new read-only ColorObject holding the host's current drawing colour. */
    readonly CurrentColor: ColorObject | null;

    /** True when the point (x, y) lies in the document's selection. */
    IsSelected(x: number, y: number): boolean | null;
    /** True when the host says other is the same document. */
    Equals(other: Document): boolean;
    /** The host's description of the document as JSON text. */
    Jsonize(): string | null;
}

/** A node of a picture's layer tree: a "FOLDER" with children or a "BITMAP" layer. */
interface Layer {
    /** "FOLDER" or "BITMAP"; assigning a type word (any case) asks the host to change it. */
    get Type(): LayerType | (string & {});
    set Type(value: LayerType | (string & {}));
    /** The layer's bitmap, or null (a folder has none); assigning a Bitmap gives the layer that bitmap. */
    get Bitmap(): Bitmap | null;
    set Bitmap(value: Bitmap);
    /** The layer's name. */
    Name: string;
    /** Horizontal position. */
    X: number;
    /** Vertical position. */
    Y: number;
    /** Opacity, passed to the host unchecked. */
    Opacity: number;
    /** True when the layer is hidden. */
    Hidden: boolean;
    /** Number of children of a folder. */
    readonly ChildCount: number;
    /** True when the type is "FOLDER". */
    readonly IsFolder: boolean;
    /** True when the type is "BITMAP". */
    readonly IsBitmap: boolean;

    /** True when the host says other is the same layer or one with equal content. */
    Equals(other: Layer): boolean;
    /** The host's description of the layer as JSON text. */
    Jsonize(): string;
    /** Child index of a folder. */
    GetChild(index: number): Layer | null;
    /** Adds a layer as the folder's last child. */
    AddChild(layer: Layer): boolean;
    /** Inserts a layer as child index. */
    InsertChild(index: number, layer: Layer): boolean;
    /** Removes child index. */
    RemoveChild(index: number): boolean;
}

/** A frame of an animation picture. Members read null for a frame the host could not add. */
interface AniFrame {
    /** Which time counts: 0 seconds (TimeSec...), 1 frame rate (TimeFps...). */
    get Type(): number | null;
    set Type(value: number);
    /** The frame's bitmap, or null; assigning a Bitmap gives the frame that bitmap. */
    get Bitmap(): Bitmap | null;
    set Bitmap(value: Bitmap);
    /** Numerator of the display time in seconds. */
    get TimeSecNumerator(): number | null;
    set TimeSecNumerator(value: number);
    /** Denominator of the display time in seconds. */
    get TimeSecDenominator(): number | null;
    set TimeSecDenominator(value: number);
    /** Numerator of the frame rate in frames per second. */
    get TimeFpsNumerator(): number | null;
    set TimeFpsNumerator(value: number);
    /** Denominator of the frame rate in frames per second. */
    get TimeFpsDenominator(): number | null;
    set TimeFpsDenominator(value: number);
    /** How long the frame shows, in milliseconds (Infinity at a rate of 0). */
    readonly Time: number | null;
}

/** A raster image: direct colour (R, G, B, maybe A) or index colour (palette index per pixel). */
interface Bitmap {
    /** Width in pixels. */
    readonly Width: number;
    /** Height in pixels. */
    readonly Height: number;
    /** The host's name of the pixel format (reference host: "INDEX8", "RGB24", "RGBA32"). */
    readonly PixelType: string;
    /** Number of palette entries; assigning asks the host to change it. */
    PaletteCount: number;
    /** True for index colour; assigning asks the host to convert the bitmap. */
    IsIndexColor: boolean;
    /** True when the bitmap has transparency; assigning asks the host to add or drop it. */
    HasAlpha: boolean;

    /** True when the host says other is the same bitmap or one with equal content. */
    Equals(other: Bitmap): boolean;
    /** The host's description of the bitmap as JSON text. */
    Jsonize(): string;
    /** An independent copy. */
    Duplicate(): Bitmap | null;
    /** A live ColorObject of pixel (x, y), clipped to the bitmap (null outside when the clip option is off). */
    GetPixel(x: number, y: number): ColorObject;
    /** Red of pixel (x, y), clipped to the bitmap (null outside when the clip option is off). */
    GetPixelR(x: number, y: number): number;
    /** Green of pixel (x, y), clipped to the bitmap (null outside when the clip option is off). */
    GetPixelG(x: number, y: number): number;
    /** Blue of pixel (x, y), clipped to the bitmap (null outside when the clip option is off). */
    GetPixelB(x: number, y: number): number;
    /** Alpha of pixel (x, y), clipped to the bitmap (null outside when the clip option is off). */
    GetPixelA(x: number, y: number): number;
    /** Palette index of pixel (x, y); null on a direct-colour bitmap. */
    GetPixelI(x: number, y: number): number | null;
    /** Sets the palette index of pixel (x, y); false when the position is refused. */
    SetPixel(x: number, y: number, index: number): boolean;
    /** Sets red, green and blue of pixel (x, y); alpha stays. */
    SetPixel(x: number, y: number, r: number, g: number, b: number): boolean;
    /** Sets red, green, blue and alpha of pixel (x, y). */
    SetPixel(x: number, y: number, r: number, g: number, b: number, a: number): boolean;
    /** A live ColorObject of palette entry index. */
    GetPaletteEntry(index: number): ColorObject;
    /** Sets palette entry index; false on a direct-colour bitmap. */
    SetPaletteEntry(index: number, r: number, g: number, b: number, a?: number): boolean;
    /** Draws source (a Bitmap, or a Picture's bitmap) onto this bitmap with its top left at (x, y). */
    Overlay(source: Bitmap | Picture, x: number, y: number): boolean;
    /** A resized copy; method is the host's (reference host: "nearest", "bilinear", "box"). */
    Resize(width: number, height: number, method?: string): Bitmap | null;
    /** A copy of the region left, top, width, height. */
    Clip(left: number, top: number, width: number, height: number): Bitmap | null;
    /**
     * Extension of this engine: the whole bitmap, or the rectangle cut to it, as RGBA bytes
     * (rows top to bottom; alpha 255 without alpha; index colour through the palette).
     * null for a rectangle with nothing inside the bitmap.
     */
    GetImageData(): QFImageData | null;
    GetImageData(x: number, y: number, width: number, height: number): QFImageData | null;
    /**
     * Extension of this engine: writes RGBA bytes with their top left at (x, y) (default 0, 0),
     * cut to the bitmap, through SetPixel; false on an index-colour bitmap, for malformed image
     * data, or for an x without a y.
     */
    PutImageData(imageData: QFImageDataSource): boolean;
    PutImageData(imageData: QFImageDataSource, x: number, y: number): boolean;
}

/** Pixels in the shape of the web's ImageData, from GetImageData (an extension of this engine). */
interface QFImageData {
    /** Width in pixels. */
    width: number;
    /** Height in pixels. */
    height: number;
    /** width * height * 4 bytes: rows top to bottom, red, green, blue, alpha per pixel. */
    data: Uint8ClampedArray;
}

/** What PutImageData accepts: data must hold exactly width * height * 4 bytes. */
interface QFImageDataSource {
    width: number;
    height: number;
    data: Uint8ClampedArray | Uint8Array;
}

/** One colour: a live pixel (Bitmap.GetPixel), a live palette entry (Bitmap.GetPaletteEntry) or a detached read-only colour (Document.CurrentColor). */
interface ColorObject {
    /** Red; writes go to the pixel or palette entry (ignored on a detached colour). */
    R: number;
    /** Green; writes go to the pixel or palette entry (ignored on a detached colour). */
    G: number;
    /** Blue; writes go to the pixel or palette entry (ignored on a detached colour). */
    B: number;
    /** Alpha; writes go to the pixel or palette entry (ignored on a detached colour). */
    A: number;
    /** Palette index of a pixel or detached colour; null on a palette entry. */
    get I(): number | null;
    set I(value: number);

    /** True when both are of the same kind and their channels are equal. */
    Equals(other: ColorObject): boolean;
}

/** The global "Path": path arithmetic on texts with "/" separators. */
interface PathObject {
    /** "HOME", "DOCUMENT", "DESKTOP" or "SOURCE" (the running script's folder), any case; null for others or when there is none. */
    GetSpecialPath(name: "HOME" | "DOCUMENT" | "DESKTOP" | "SOURCE" | (string & {})): string | null;
    /** Creates a new empty temporary file (/tmp/jsf??????.tmp[.ext]), removed when the filter context goes; its path. */
    GenerateTemp(extension?: string): string | null;
    /** relative taken against base, made absolute and tidied ("." removed, ".." folded). */
    Combine(base: string, relative: string): string;
    /** The path without its last component. */
    RemoveFileName(path: string): string;
    /** The path without the extension of its file name. */
    RemoveExtension(path: string): string;
    /** The path with extension ext ("png" or ".png"; "" removes it). */
    ReplaceExtension(path: string, ext: string): string;
    /** The file name; with stemOnly without its extension. */
    FileNameOf(path: string, stemOnly?: boolean): string;
    /** The extension with its dot, or "". */
    ExtensionOf(path: string): string;
}

/** The global "System": environment, programs, files and engine options. */
interface SystemObject {
    /** The platform: "Linux" or "macOS". */
    readonly OSType: "Linux" | "macOS";
    /** The path of the running script file, or null when the host named none. */
    readonly ExecutingScript: string | null;

    /** An environment variable's value, or null when it is not set. */
    GetEnv(name: string): string | null;
    /** Runs a program (arguments joined by spaces and split into words, no shell), waits, and gives its exit status; null when it cannot start. */
    Execute(program: string, ...args: (string | number)[]): number | null;
    /** Starts a program and returns at once; false when it cannot start. */
    Spawn(program: string, ...args: (string | number)[]): boolean;
    /** Deletes a file or an empty folder. */
    DeleteFile(path: string): boolean;
    /** Copies a file (a folder as an empty folder); an existing target fails unless failIfExists is false. */
    CopyFile(source: string, target: string, failIfExists?: boolean): boolean;
    /** Renames a file or folder. */
    MoveFile(source: string, target: string): boolean;
    /** Whether the path exists; null when that cannot be found out. */
    Exists(path: string): boolean | null;
    /** Whether the path is a folder; null when that cannot be found out. */
    IsDirectory(path: string): boolean | null;
    /** Sets an engine option; the only key is "Bitmap.GetPixel.Clip" (default true). */
    SetOption(key: "Bitmap.GetPixel.Clip" | (string & {}), value: boolean): void;
}

// ---------------------------------------------------------------------------
// Version 7
// ---------------------------------------------------------------------------

/** The version 7 picture: flat input layers and the script's result layers. */
declare const Image: V7Image;

/** The global "Image" of version 7. */
interface V7Image {
    /** The picture's file name, as the host gave it. */
    readonly FileName: string;
    /** "Velmor QuillFrame 8". */
    readonly HostName: string;
    /** Number of input layers; 1 for a picture without layers. */
    readonly LayerCount: number;
    /** Index of the layer that is active in the host. */
    readonly ActiveLayer: number;

    /** Input layer index (0 to LayerCount - 1); a new object at every call. */
    GetInLayer(index: number): V7Layer | null;
    /** Makes result layer index with new black bitmaps (sides 1..30000, area below 99,980,002 pixels); paletteCount has no effect. */
    CreateOutLayer(index: number, width: number, height: number, alpha?: boolean, indexColor?: boolean, paletteCount?: number): V7Layer | null;
    /** Makes result layer index from input layer index, working on its pixels directly. */
    CreateCopyLayer(index: number): V7Layer | null;
}

/** A version 7 layer (class name "Layer"): an 8-bit index-colour or 24-bit image with an optional alpha plane. */
interface V7Layer {
    /** Width in pixels. */
    readonly Width: number;
    /** Height in pixels. */
    readonly Height: number;
    /** True for an index-colour (8-bit) layer. */
    readonly IndexColor: boolean;
    /** True when the layer has an alpha plane. */
    readonly Alpha: boolean;
    /** Left edge of the selection; 0 without one. */
    readonly SelectX: number;
    /** Top edge of the selection; 0 without one. */
    readonly SelectY: number;
    /** Width of the selection; the layer's width without one. */
    readonly SelectWidth: number;
    /** Height of the selection; the layer's height without one. */
    readonly SelectHeight: number;
    /** Horizontal position; 0 when never set. */
    X: number;
    /** Vertical position; 0 when never set. */
    Y: number;
    /** Hidden flag; false when never set. */
    Hidden: boolean;
    /** Opacity, not limited; 100 when never set. */
    Opacity: number;
    /** Name; "" when never set. */
    Name: string;
    /** Colour-table size of an index-colour layer (2..256 when assigned); null for 24-bit colour. */
    get PaletteEntryCount(): number | null;
    set PaletteEntryCount(value: number);
    /** A new Color holding the host's current colour, seen through this layer. */
    readonly ActiveColor: V7Color;

    /** The pixel at (x, y), each coordinate moved into the layer. */
    PixelAt(x: number, y: number): V7Pixel;
    /** Whether (x, y) lies in the selection (true without a selection). */
    IsSelected(x: number, y: number): boolean;
    /** Colour-table entry index (moved into the table); null on a 24-bit layer. */
    GetPaletteEntry(index: number): V7PaletteEntry | null;
    /**
     * Extension of this engine: the whole layer, or the rectangle cut to it, as RGBA bytes
     * (rows top to bottom; alpha from the alpha plane or 255; index colour through the colour table).
     * null for a rectangle with nothing inside the layer.
     */
    GetImageData(): QFImageData | null;
    GetImageData(x: number, y: number, width: number, height: number): QFImageData | null;
    /**
     * Extension of this engine: writes RGBA bytes into a 24-bit layer (alpha into its alpha plane)
     * with their top left at (x, y) (default 0, 0), cut to the layer; false on an index-colour layer.
     */
    PutImageData(imageData: QFImageDataSource): boolean;
    PutImageData(imageData: QFImageDataSource, x: number, y: number): boolean;
}

/** A version 7 pixel (class name "Pixel"), read and written in place. */
interface V7Pixel {
    /** Red (index colour: of the pixel's table entry, read-only); writes limited to 0..255. */
    r: number;
    /** Green (index colour: of the pixel's table entry, read-only); writes limited to 0..255. */
    g: number;
    /** Blue (index colour: of the pixel's table entry, read-only); writes limited to 0..255. */
    b: number;
    /** Alpha, 255 without an alpha plane; writable on a 24-bit layer with an alpha plane. */
    a: number;
    /** Colour index of an index-colour pixel (0 on 24-bit); writes limited to the table. */
    i: number;

    /** Sets r, g, b (and a with four arguments) of a 24-bit pixel, each to its low eight bits; false for no or more than four arguments. */
    SetRGBA(r: number, g?: number, b?: number, a?: number): boolean;
}

/** A colour-table entry of a version 7 index-colour layer (class name "PaletteEntry"). */
interface V7PaletteEntry {
    /** Red; writes limited to 0..255. */
    r: number;
    /** Green; writes limited to 0..255. */
    g: number;
    /** Blue; writes limited to 0..255. */
    b: number;
    /** Alpha, 255 without an alpha plane; writable with an alpha plane. */
    a: number;

    /** Sets r, g, b (and a with four arguments) of the entry, each to its low eight bits; false for no or more than four arguments. */
    SetRGBA(r: number, g?: number, b?: number, a?: number): boolean;
}

/** The host's current colour seen through a version 7 layer (class name "Color"); read-only. */
interface V7Color {
    /** Red. */
    readonly r: number;
    /** Green. */
    readonly g: number;
    /** Blue. */
    readonly b: number;
    /** Alpha; 255 without an alpha plane. */
    readonly a: number;
    /** Colour index on an index-colour layer; 0 on 24-bit. */
    readonly i: number;
}
