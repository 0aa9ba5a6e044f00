#include "core/changenotice.h"

namespace ChangeNotice {

QString functionStatement()
{
    // Row by row, the old number and the new: a listing that changes its number is gone
    // under the one and new under the other. The server sends a payload once per
    // transaction however many rows repeat it.
    return QStringLiteral("CREATE OR REPLACE FUNCTION quillonix_listing_changed() RETURNS trigger"
                          " LANGUAGE plpgsql AS $$\n"
                          "BEGIN\n"
                          "  IF TG_OP <> 'INSERT' AND OLD.fybh IS NOT NULL THEN\n"
                          "    PERFORM pg_notify('%1', OLD.fybh::text);\n"
                          "  END IF;\n"
                          "  IF TG_OP <> 'DELETE' AND NEW.fybh IS NOT NULL THEN\n"
                          "    PERFORM pg_notify('%1', NEW.fybh::text);\n"
                          "  END IF;\n"
                          "  RETURN NULL;\n"
                          "END\n"
                          "$$")
        .arg(QLatin1String(channel));
}

QString triggerStatement(const QString &table)
{
    return QStringLiteral("CREATE TRIGGER quillonix_listing_changed AFTER INSERT OR UPDATE OR DELETE ON %1"
                          " FOR EACH ROW EXECUTE FUNCTION quillonix_listing_changed()")
        .arg(table);
}

} // namespace ChangeNotice
