#include "exchange/pos_restore.h"

#include <cstdlib>

#include "data/file_manager.h"
#include "exchange/import.h"
#include "exchange/runner.h"
#include "state/globals.h"
#include "util/text.h"

namespace tavlo {

namespace {

// An empty folder of our own outside the data folder; removed with what it holds.
class StagingFolder {
public:
    StagingFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavlo-import-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~StagingFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

POSRestore::POSRestore() : ExchangeWindow("POSRestore", "Restore Rovandi data", "&Restore") {}

void POSRestore::TakeOpened() { USERNAME = std::string(byLanguage("Data vanaf Rovandi", "Data from Rovandi")); }

void POSRestore::act() {
    const auto folder = usableFolder();
    if (!folder) return;
    if (folder->empty()) {
        close(Response::Cancelled);
        return;
    }
    askForMedium();
    ImportResult result;
    int status = -1;
    {
        StagingFolder staging;
        if (!staging.path().empty()) {
            status = fcBackupRestore(runtime(), {{kArchiverName, "-ext", "-over=all", *folder + "POS"}, staging.path()});
            if (status == 0) result = importStaged(context(), staging.path());
        }
    }
    if (status == 0 && result.ok()) {
        say("Herstel", "Restore", "Data herstel was suksesvol", "Data restore was successful");
    } else {
        const std::string why = status == 0 ? "|" + importProblemText(result) : "";
        say("", "", "Herstel was onsuksesvol, kontak Varnik Labs" + why, "Restore failed please contact Varnik Labs" + why);
    }
    close(Response::Completed);
}

}  // namespace tavlo
