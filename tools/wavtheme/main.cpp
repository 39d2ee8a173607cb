// wavtheme: gives wave files the picture and the description that ZORVAND shows
// for them, removes them, and lists what a file holds: the command line over
// the authoring library the program's sound maker uses. See kUsage below.
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "Cp932.h"
#include "DisplayDib.h"
#include "Errors.h"
#include "FileIo.h"
#include "Image.h"
#include "Listing.h"
#include "PreviewReaders.h"
#include "WaveEdit.h"
#include "WaveFile.h"

namespace wavtheme {

namespace {

using namespace authoring;

const char kUsage[] =
    "Usage:\n"
    "  wavtheme set WAVE [--picture IMAGE] [--text TEXT | --text-file FILE]\n"
    "                    [--background RRGGBB] [-o OUT]\n"
    "  wavtheme remove WAVE [--picture] [--text] [-o OUT]\n"
    "  wavtheme list WAVE\n"
    "  wavtheme extract WAVE OUT.bmp\n"
    "  wavtheme --help\n"
    "\n"
    "Gives a wave file the picture and the description that ZORVAND shows for it.\n"
    "\n"
    "  set      Adds or replaces the picture (a DISP chunk of clipboard format\n"
    "           CF_DIB) and the description (the ISBJ text of the first LIST INFO\n"
    "           chunk, which is made when the file has none).\n"
    "             --picture IMAGE      a PNG, JPEG or BMP picture (on Windows, any\n"
    "                                  format the system decodes), at most 1024 x\n"
    "                                  1024 pixels; ZORVAND's frame shows about\n"
    "                                  100 x 116 of them\n"
    "             --text TEXT          the description in UTF-8, stored in code page\n"
    "             --text-file FILE     932, which must hold every character, with\n"
    "                                  CR LF line ends\n"
    "             --background RRGGBB  the colour behind transparent pixels\n"
    "                                  (default ffffff)\n"
    "  remove   Removes the picture, the description, or both when neither option\n"
    "           is given, so that ZORVAND shows none, and says what it removed.\n"
    "           A file with nothing to remove is left as it is.\n"
    "  list     Shows the chunks with their offsets and data sizes, and the\n"
    "           picture and the description that ZORVAND would show.\n"
    "  extract  Writes the picture that ZORVAND would show as a BMP file.\n"
    "\n"
    "  -o OUT   writes the result to OUT and leaves WAVE as it is.\n"
    "\n"
    "The audio data and every other chunk are kept byte for byte. The result is\n"
    "written to a temporary file beside the target, read back, and only then\n"
    "renamed over it, so a failure or a crash never leaves a half-written file.\n"
    "\n"
    "Exit status: 0 done; 1 a bad command line; 2 a file refused (not a RIFF WAVE\n"
    "file, damaged, a picture too large, text that code page 932 cannot hold);\n"
    "3 a file that cannot be read or written; 4 a result that failed its\n"
    "read-back check and was not kept.\n";

struct Arguments {
    std::vector<std::string> files;
    std::map<std::string, std::string> values;

    bool Has(const std::string& name) const { return values.count(name) != 0; }
    std::optional<std::string> Get(const std::string& name) const {
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
};

// Splits the arguments after the command into files and options; options maps
// each option the command knows to whether it takes a value.
Arguments Parse(const std::string& command, const std::vector<std::string>& args,
                const std::map<std::string, bool>& options) {
    Arguments parsed;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyFiles || arg.size() < 2 || arg[0] != '-') {
            parsed.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const auto option = options.find(name);
        if (option == options.end()) throw UsageError(command + " has no option " + name);
        if (parsed.Has(name)) throw UsageError(name + " is given twice");
        if (!option->second) {
            if (equals != std::string::npos) throw UsageError(name + " takes no value with " + command);
            parsed.values[name] = "";
        } else if (equals != std::string::npos) {
            parsed.values[name] = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            parsed.values[name] = args[++i];
        } else {
            throw UsageError(name + " needs a value");
        }
    }
    return parsed;
}

void ExpectFiles(const Arguments& args, std::size_t count, const char* what) {
    if (args.files.size() != count) throw UsageError(std::string("expected ") + what);
}

Rgb ParseColour(const std::string& text) {
    const std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        throw UsageError("--background takes a colour as RRGGBB, such as f0f0f0");
    }
    const unsigned long value = std::stoul(hex, nullptr, 16);
    return {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

// "1 DISP chunk", "2 ISBJ chunks".
std::string Count(std::uint64_t count, const char* what) {
    return std::to_string(count) + " " + what + (count == 1 ? " chunk" : " chunks");
}

std::string DibSummary(const std::vector<std::uint8_t>& dib) {
    const auto width = static_cast<std::int32_t>(le::Get32(&dib[4]));
    const auto height = static_cast<std::int32_t>(le::Get32(&dib[8]));
    return DescribeDib(width, height, le::Get16(&dib[14]), le::Get32(&dib[32]));
}

int Set(const std::vector<std::string>& rest) {
    const Arguments args =
        Parse("set", rest,
              {{"--picture", true}, {"--text", true}, {"--text-file", true}, {"--background", true}, {"-o", true}});
    ExpectFiles(args, 1, "one wave file");
    if (!args.Has("--picture") && !args.Has("--text") && !args.Has("--text-file")) {
        throw UsageError("set needs --picture, --text or --text-file");
    }
    if (args.Has("--text") && args.Has("--text-file")) throw UsageError("give --text or --text-file, not both");
    const Rgb background = ParseColour(args.Get("--background").value_or("ffffff"));

    // Everything given is checked before the wave file is opened.
    EditRequest request;
    if (const auto picture = args.Get("--picture")) {
        request.picture = ReadPictureFile(*picture, background);
    }
    if (const auto text = args.Get("--text"))
        request.text = About("--text", [&] { return MakeDescription(*text, false); });
    if (const auto file = args.Get("--text-file")) {
        request.text = About(*file, [&] {
            const Bytes bytes = ReadWholeFile(*file, kMaxTextFile);
            return MakeDescription(std::string(bytes.begin(), bytes.end()), true);
        });
    }

    const std::string wave = args.files[0];
    const std::string target = args.Get("-o").value_or(wave);
    const EditResult seen = *EditWaveFile(wave, target, request);
    std::string summary = target + ":";
    if (request.picture) {
        summary += " picture " + DibSummary(seen.picture.dib) + ";";
        const auto width = le::Get32(&seen.picture.dib[4]);
        const auto height = le::Get32(&seen.picture.dib[8]);
        if (width > kFrameWidth || height > kFrameHeight) {
            PrintError("wavtheme: note: ZORVAND's frame shows about " + std::to_string(kFrameWidth) + " x " +
                       std::to_string(kFrameHeight) + " pixels, the bottom-left part of a larger picture\n");
        }
    }
    if (request.text) {
        summary += " description of " + std::to_string(request.text->size()) + " bytes;";
    }
    summary.back() = '\n';
    PrintOut(summary);
    return 0;
}

int Remove(const std::vector<std::string>& rest) {
    const Arguments args = Parse("remove", rest, {{"--picture", false}, {"--text", false}, {"-o", true}});
    ExpectFiles(args, 1, "one wave file");
    EditRequest request;
    request.removePicture = args.Has("--picture") || !args.Has("--text");
    request.removeText = args.Has("--text") || !args.Has("--picture");
    const std::string wave = args.files[0];
    const std::string target = args.Get("-o").value_or(wave);
    const std::optional<EditResult> seen = EditWaveFile(wave, target, request);
    if (!seen) {
        PrintOut(wave + ": nothing to remove; the file is unchanged\n");
        return 0;
    }
    const EditPlan& plan = seen->plan;
    if (!plan.changes) {
        PrintOut(target + ": nothing to remove; written unchanged\n");
        return 0;
    }
    std::string summary = target + ": removed";
    if (plan.droppedPictures != 0) summary += " " + Count(plan.droppedPictures, "DISP");
    if (plan.droppedPictures != 0 && plan.droppedTexts != 0) summary += " and";
    if (plan.droppedTexts != 0) summary += " " + Count(plan.droppedTexts, "ISBJ");
    if (plan.keptEmptyList) summary += "; the emptied LIST INFO chunk stays, so that the next LIST is not read";
    std::vector<std::string> none;
    if (request.removePicture) none.push_back("picture");
    if (request.removeText) none.push_back("description");
    summary += "; ZORVAND shows no " + none[0] + (none.size() > 1 ? " and no " + none[1] : "") + "\n";
    PrintOut(summary);
    return 0;
}

int List(const std::vector<std::string>& rest) {
    const Arguments args = Parse("list", rest, {});
    ExpectFiles(args, 1, "one wave file");
    const std::string& wave = args.files[0];
    std::unique_ptr<InputFile> input = About(wave, [&] { return InputFile::Open(wave); });
    PrintOut(wave + ": " + std::to_string(input->Size()) + " bytes\n");
    const WaveLayout layout = About(wave, [&] { return ListChunks(*input, PrintOut); });
    PrintOut(ListPreview(*input));
    if (!layout.problem.empty()) throw InputError(wave + ": " + layout.problem);
    return 0;
}

int Extract(const std::vector<std::string>& rest) {
    const Arguments args = Parse("extract", rest, {});
    ExpectFiles(args, 2, "a wave file and a BMP file to write");
    const std::string& wave = args.files[0];
    const std::string& bmp = args.files[1];
    std::unique_ptr<InputFile> input = About(wave, [&] { return InputFile::Open(wave); });
    About(wave, [&] { ReadLayout(*input); });
    const preview::PictureResult picture = preview::ReadPicture(*input);
    input.reset();
    if (picture.outcome != preview::PictureOutcome::kPicture)
        throw InputError(wave + ": ZORVAND shows no picture for it");

    // The picture as the program holds and draws it: rows bottom-up, and the
    // pixels after the bit-field masks and the colour table.
    Bytes held(picture.dib.size());
    preview::CopyAsHeld(picture.dib.data(), picture.dib.size(), held.data());
    Bytes file = {'B', 'M'};
    le::Append32(file, static_cast<std::uint32_t>(14 + held.size()));
    le::Append32(file, 0);
    le::Append32(file, static_cast<std::uint32_t>(14 + preview::DibPixelOffset(held.data())));
    file.insert(file.end(), held.begin(), held.end());
    AtomicWriter writer(bmp);
    writer.Write(file.data(), file.size());
    writer.Finish();
    writer.Commit();
    PrintOut(bmp + ": " + DibSummary(picture.dib) + "\n");
    return 0;
}

int Run(const std::vector<std::string>& args) {
    try {
        if (args.empty()) throw UsageError("no command given");
        const std::string& command = args[0];
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (command == "--help" || command == "-h" || command == "help") {
            PrintOut(kUsage);
            return 0;
        }
        const std::map<std::string, std::function<int(const std::vector<std::string>&)>> commands = {
            {"set", Set}, {"remove", Remove}, {"list", List}, {"extract", Extract}};
        const auto found = commands.find(command);
        if (found == commands.end()) throw UsageError("unknown command '" + command + "'");
        return found->second(rest);
    } catch (const UsageError& error) {
        PrintError(std::string("wavtheme: ") + error.what() + "\nTry 'wavtheme --help'.\n");
        return error.ExitCode();
    } catch (const ToolError& error) {
        PrintError(std::string("wavtheme: ") + error.what() + "\n");
        return error.ExitCode();
    } catch (const std::bad_alloc&) {
        PrintError("wavtheme: out of memory\n");
        return kExitIo;
    }
}

}  // namespace

}  // namespace wavtheme

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(authoring::WideToUtf8(argv[i]));
    return wavtheme::Run(args);
}
#else
int main(int argc, char** argv) {
    return wavtheme::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
